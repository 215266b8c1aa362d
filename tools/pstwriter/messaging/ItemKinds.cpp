#include "pstwriter/messaging/ItemKinds.h"

#include "base/Crc32.h"
#include "mapi/Tags.h"
#include "pstwriter/ltp/ValueEncoder.h"
#include "pstwriter/messaging/NameMap.h"

namespace pellmark::pstwriter {
namespace {

namespace prop = mapi::prop;

// Long ids of the named properties used below.
enum : uint32_t {
    kFileUnder = 0x8005,
    kHasPicture = 0x8015,
    kHomeAddress = 0x801A,
    kWorkAddress = 0x801B,
    kEmailList = 0x8028,
    kAddressBookArrayType = 0x8029,
    kHtmlPage = 0x802B,
    kWorkStreet = 0x8045,
    kWorkCity = 0x8046,
    kWorkState = 0x8047,
    kWorkPostalCode = 0x8048,
    kWorkCountry = 0x8049,
    kDlChecksum = 0x804C,
    kDlName = 0x8053,
    kDlOneOffMembers = 0x8054,
    kDlMembers = 0x8055,
    kEmail1DisplayName = 0x8080,  // each e-mail slot adds 0x10
    kBusyStatus = 0x8205,
    kLocation = 0x8208,
    kStartWhole = 0x820D,
    kEndWhole = 0x820E,
    kDuration = 0x8213,
    kAllDay = 0x8215,
    kRecurring = 0x8223,
    kTaskStatus = 0x8101,
    kPercentComplete = 0x8102,
    kTaskStart = 0x8104,
    kTaskDue = 0x8105,
    kTaskComplete = 0x811C,
    kReminderSet = 0x8503,
    kCommonStart = 0x8516,
    kCommonEnd = 0x8517,
    kNoteColor = 0x8B00,
    kNoteWidth = 0x8B02,
    kNoteHeight = 0x8B03,
    kLogType = 0x8700,
    kLogStart = 0x8706,
    kLogDuration = 0x8707,
    kLogEnd = 0x8708,
    kLogTypeDesc = 0x8712,
};

constexpr uint16_t kDlOneOffFlags = 0x8001;  // Unicode, no rich text
constexpr uint8_t kWrappedEntryIdProvider[16] = {0xC0, 0x91, 0xAD, 0xD3, 0x51, 0x9D, 0xCF, 0x11,
                                                 0xA4, 0xA9, 0x00, 0xAA, 0x00, 0x47, 0xFA, 0xA4};
// A contact's message entry id, its first e-mail address (the high bit: a long-term id).
constexpr uint8_t kWrappedContactEmail1 = 0xC3;

void setText(Message& m, const NamedProp& n, const std::string& v) {
    if (!v.empty()) m.set(n, PropValue::string(v));
}
void setText(Message& m, uint16_t id, const std::string& v) {
    if (!v.empty()) m.setString(id, v);
}

std::string joinAddress(const PostalAddress& a) {
    std::string out = a.street;
    const std::string line = a.city + (a.state.empty() ? "" : " " + a.state) +
                             (a.postalCode.empty() ? "" : " " + a.postalCode);
    for (const std::string& part : {line, a.country}) {
        if (part.empty()) continue;
        if (!out.empty()) out += "\r\n";
        out += part;
    }
    return out;
}

void setEmails(Message& m, const ContactInfo& c, const std::string& display) {
    std::vector<int64_t> slots;
    for (size_t i = 0; i < c.emails.size() && i < 3; ++i) {
        const uint32_t base = kEmail1DisplayName + 0x10 * static_cast<uint32_t>(i);
        const std::string shown = display + " (" + c.emails[i] + ")";
        m.set(lid::address(base), PropValue::string(shown));
        m.set(lid::address(base + 2), PropValue::string("SMTP"));
        m.set(lid::address(base + 3), PropValue::string(c.emails[i]));
        m.set(lid::address(base + 4), PropValue::string(shown));
        m.set(lid::address(base + 5), PropValue::binary(oneOffEntryId(shown, c.emails[i])));
        slots.push_back(static_cast<int64_t>(i));
    }
    if (!slots.empty()) {
        int32_t mask = 0;
        for (int64_t s : slots) mask |= 1 << s;
        m.set(lid::address(kEmailList), PropValue(PropType::MultiInt32, slots));
        m.set(lid::address(kAddressBookArrayType), PropValue::int32(mask));
    }
}

}  // namespace

namespace lid {
NamedProp address(uint32_t id) {
    return {mapi::psetid::kAddress, id, {}};
}
NamedProp appointment(uint32_t id) {
    return {mapi::psetid::kAppointment, id, {}};
}
NamedProp task(uint32_t id) {
    return {mapi::psetid::kTask, id, {}};
}
NamedProp meeting(uint32_t id) {
    return {mapi::psetid::kMeeting, id, {}};
}
NamedProp common(uint32_t id) {
    return {mapi::psetid::kCommon, id, {}};
}
NamedProp note(uint32_t id) {
    return {mapi::psetid::kNote, id, {}};
}
NamedProp log(uint32_t id) {
    return {mapi::psetid::kLog, id, {}};
}

const std::vector<NamedProp>& standard() {
    static const std::vector<NamedProp> all = [] {
        std::vector<NamedProp> v;
        for (uint32_t id :
             {kFileUnder, kHasPicture, kHomeAddress, kWorkAddress, kEmailList,
              kAddressBookArrayType, kHtmlPage, kWorkStreet, kWorkCity, kWorkState, kWorkPostalCode,
              kWorkCountry, kDlChecksum, kDlName, kDlOneOffMembers, kDlMembers}) {
            v.push_back(address(id));
        }
        for (uint32_t slot = 0; slot < 3; ++slot) {
            for (uint32_t k : {0u, 2u, 3u, 4u, 5u})
                v.push_back(address(kEmail1DisplayName + 0x10 * slot + k));
        }
        for (uint32_t id :
             {kBusyStatus, kLocation, kStartWhole, kEndWhole, kDuration, kAllDay, kRecurring}) {
            v.push_back(appointment(id));
        }
        for (uint32_t id : {kTaskStatus, kPercentComplete, kTaskStart, kTaskDue, kTaskComplete}) {
            v.push_back(task(id));
        }
        for (uint32_t id : {kReminderSet, kCommonStart, kCommonEnd}) v.push_back(common(id));
        for (uint32_t id : {kNoteColor, kNoteWidth, kNoteHeight}) v.push_back(note(id));
        for (uint32_t id : {kLogType, kLogStart, kLogDuration, kLogEnd, kLogTypeDesc}) {
            v.push_back(log(id));
        }
        return v;
    }();
    return all;
}
}  // namespace lid

ByteVec oneOffEntryId(const std::string& name, const std::string& email, uint16_t flags) {
    static const uint8_t kOneOffProvider[16] = {0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
                                                0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02};
    ByteBuffer b;
    b.u32(0);
    b.bytes(kOneOffProvider);
    b.u16(0);
    b.u16(flags);
    for (const std::string& s : {name, std::string("SMTP"), email}) {
        b.bytes(utf16le(s));
        b.u16(0);
    }
    return b.take();
}

ByteVec messageEntryId(const std::array<uint8_t, 16>& recordKey, uint32_t nodeId) {
    ByteBuffer b;
    b.u32(0);
    b.bytes(recordKey);
    b.u32(nodeId);
    return b.take();
}

void fillContact(Message& m, const ContactInfo& c) {
    std::string display = c.displayName;
    if (display.empty()) {
        display = c.givenName + (c.givenName.empty() || c.surname.empty() ? "" : " ") + c.surname;
    }
    const std::pair<uint16_t, const std::string*> texts[] = {
        {prop::kGivenName, &c.givenName},
        {prop::kMiddleName, &c.middleName},
        {prop::kSurname, &c.surname},
        {prop::kDisplayNamePrefix, &c.prefix},
        {prop::kGeneration, &c.suffix},
        {prop::kNickname, &c.nickname},
        {prop::kDisplayName, &display},
        {prop::kSubject, &display},
        {prop::kCompanyName, &c.company},
        {prop::kDepartmentName, &c.department},
        {prop::kTitle, &c.jobTitle},
        {prop::kBusinessTelephone, &c.businessPhone},
        {prop::kHomeTelephone, &c.homePhone},
        {prop::kMobileTelephone, &c.mobilePhone},
        {prop::kBusinessFax, &c.businessFax},
        {prop::kBusinessHomePage, &c.webPage},
        {prop::kBody, &c.notes},
        {prop::kStreetAddress, &c.business.street},
        {prop::kLocality, &c.business.city},
        {prop::kStateOrProvince, &c.business.state},
        {prop::kPostalCode, &c.business.postalCode},
        {prop::kCountry, &c.business.country},
        {prop::kHomeAddressStreet, &c.home.street},
        {prop::kHomeAddressCity, &c.home.city},
        {prop::kHomeAddressStateOrProvince, &c.home.state},
        {prop::kHomeAddressPostalCode, &c.home.postalCode},
        {prop::kHomeAddressCountry, &c.home.country}};
    for (auto [id, text] : texts) setText(m, id, *text);
    setText(m, lid::address(kFileUnder),
            c.surname.empty() ? display : c.surname + ", " + c.givenName);
    setText(m, lid::address(kHtmlPage), c.webPage);
    setText(m, lid::address(kWorkStreet), c.business.street);
    setText(m, lid::address(kWorkCity), c.business.city);
    setText(m, lid::address(kWorkState), c.business.state);
    setText(m, lid::address(kWorkPostalCode), c.business.postalCode);
    setText(m, lid::address(kWorkCountry), c.business.country);
    if (!c.business.empty()) setText(m, lid::address(kWorkAddress), joinAddress(c.business));
    if (!c.home.empty()) setText(m, lid::address(kHomeAddress), joinAddress(c.home));
    if (c.birthday) m.setTime(prop::kBirthday, *c.birthday);
    setEmails(m, c, display);
    m.set(lid::address(kHasPicture), PropValue::boolean(!c.picture.empty()));
    if (!c.picture.empty()) {
        Attachment& a = m.addAttachment("ContactPicture.jpg", c.picture);
        a.setMimeType("image/jpeg");
        a.setBool(prop::kAttachmentContactPhoto, true);
        a.setBool(prop::kAttachmentHidden, true);
    }
}

void fillDistList(Message& m, const std::string& name, const std::vector<DistListMember>& members) {
    m.setString(prop::kDisplayName, name);
    m.setString(prop::kSubject, name);
    m.set(lid::address(kDlName), PropValue::string(name));
    m.set(lid::address(kFileUnder), PropValue::string(name));
    // Outlook keeps a contact member as a wrapped entry id pointing at the contact (its first
    // e-mail address) and a one-off member as the one-off entry id itself; the one-off list
    // names every member's address. The checksum is over the member list.
    std::vector<ByteVec> ids, oneOffs;
    ByteBuffer all;
    for (const DistListMember& member : members) {
        oneOffs.push_back(oneOffEntryId(member.name, member.email, kDlOneOffFlags));
        if (member.contactEntryId.empty()) {
            ids.push_back(oneOffs.back());
        } else {
            ByteBuffer wrapped;
            wrapped.u32(0);
            wrapped.bytes(kWrappedEntryIdProvider);
            wrapped.u8(kWrappedContactEmail1);
            wrapped.bytes(member.contactEntryId);
            ids.push_back(wrapped.take());
        }
        all.bytes(ids.back());
    }
    m.set(lid::address(kDlMembers), PropValue(PropType::MultiBinary, ids));
    m.set(lid::address(kDlOneOffMembers), PropValue(PropType::MultiBinary, oneOffs));
    m.set(lid::address(kDlChecksum),
          PropValue::int32(static_cast<int32_t>(base::computeCrc(all.span()))));
}

void fillNote(Message& m, const NoteInfo& n) {
    // A note's subject is the first line of its text.
    m.setSubject(n.text.substr(0, n.text.find_first_of("\r\n")));
    m.setBody(n.text);
    m.set(lid::note(kNoteColor), PropValue::int32(n.color));
    m.set(lid::note(kNoteWidth), PropValue::int32(200));
    m.set(lid::note(kNoteHeight), PropValue::int32(166));
}

void fillJournal(Message& m, const JournalInfo& j) {
    m.setSubject(j.subject);
    setText(m, prop::kBody, j.body);
    const uint64_t end = j.start + static_cast<uint64_t>(j.durationMinutes) * 600000000ull;
    m.set(lid::log(kLogType), PropValue::string(j.type));
    m.set(lid::log(kLogTypeDesc), PropValue::string(j.type));
    m.set(lid::log(kLogStart), PropValue::time(j.start));
    m.set(lid::log(kLogEnd), PropValue::time(end));
    m.set(lid::log(kLogDuration), PropValue::int32(j.durationMinutes));
    m.set(lid::common(kCommonStart), PropValue::time(j.start));
    m.set(lid::common(kCommonEnd), PropValue::time(end));
}

namespace {

template <typename Info>
Message& addItem(Folder& f, const char* messageClass, void (*fill)(Message&, const Info&),
                 const Info& info) {
    Message& m = f.addMessage(messageClass);
    fill(m, info);
    return m;
}

}  // namespace

Message& addContact(Folder& f, const ContactInfo& c) {
    return addItem(f, "IPM.Contact", fillContact, c);
}
Message& addAppointment(Folder& f, const AppointmentInfo& a) {
    return addItem(f, "IPM.Appointment", fillAppointment, a);
}
Message& addTask(Folder& f, const TaskInfo& t) {
    return addItem(f, "IPM.Task", fillTask, t);
}
Message& addNote(Folder& f, const NoteInfo& n) {
    return addItem(f, "IPM.StickyNote", fillNote, n);
}
Message& addJournal(Folder& f, const JournalInfo& j) {
    return addItem(f, "IPM.Activity", fillJournal, j);
}
Message& addDistList(Folder& f, const std::string& name,
                     const std::vector<DistListMember>& members) {
    Message& m = f.addMessage("IPM.DistList");
    fillDistList(m, name, members);
    return m;
}

}  // namespace pellmark::pstwriter
