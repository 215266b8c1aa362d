#include <algorithm>
#include <cctype>
#include <ctime>

#include "base/Base64.h"
#include "formats/OneOffEntryId.h"
#include "formats/OutputFormats.h"
#include "formats/SaveError.h"
#include "formats/mime/MimeParts.h"
#include "formats/text/DateFormat.h"
#include "formats/text/HtmlPage.h"
#include "formats/text/TextOutput.h"
#include "formats/vcard/CardUid.h"
#include "formats/vcard/VCard.h"
#include "mapi/NamedIds.h"
#include "mapi/Tags.h"

namespace pellmark::formats {
namespace {

namespace prop = mapi::prop;
namespace lid = mapi::lid;
using mapi::psetid::kAddress;

std::string utcTime(uint64_t filetime, const char* format) {
    const std::time_t t = static_cast<std::time_t>(unixTime(filetime));
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, format, &tm);
    return buf;
}

// Outlook writes 4501-01-01 for a date that was cleared.
constexpr uint64_t kNoDate = 0x0CB34557A3DD4000ULL;

// A birthday is midnight of some time zone; the nearest UTC day is the one the user entered.
std::string isoDate(uint64_t filetime) {
    return utcTime(filetime + 12ULL * 3600 * 10'000'000, "%Y-%m-%d");
}

class ContactCard {
  public:
    explicit ContactCard(const ItemView& item) : item_(item) {}

    std::string str() {
        names();
        if (auto uid = cardUid(item_.message())) card_.addRaw("UID", "", *uid);
        organisation();
        addresses();
        phones();
        for (const auto& [address, params] : internetAddresses()) {
            card_.addText("EMAIL", address, params);
        }
        card_.addText("URL", url(), ";TYPE=WORK");
        card_.addText("URL", s(prop::kPersonalHomePage), ";TYPE=HOME");
        if (auto t = item_.time(prop::kBirthday); t && *t && *t < kNoDate) {
            card_.addRaw("BDAY", "", isoDate(*t));
        }
        card_.addText("NOTE", note());
        card_.addList("CATEGORIES", item_.categories());
        photo();
        if (auto t = item_.time(prop::kLastModificationTime); t && *t) {
            card_.addRaw("REV", "", utcTime(*t, "%Y-%m-%dT%H:%M:%SZ"));
        }
        return card_.str();
    }

  private:
    std::string s(uint16_t id) const { return item_.string(id).value_or(""); }
    std::string named(uint32_t l) const { return item_.namedString(kAddress, l).value_or(""); }

    void names() {
        // The name as stored, never rebuilt from its parts: a contact's display name is what
        // the user chose to see (name order, titles and all). Where it is missing, the subject,
        // which Outlook keeps as the full name, comes before names made up from the parts;
        // the file-as name ("Surname, Given") is a sort key, taken only when nothing else is.
        std::string fn = s(prop::kDisplayName);
        for (const std::string& fallback :
             {item_.subject(), (s(prop::kGivenName) + " " + s(prop::kSurname)),
              named(lid::kFileUnder), s(prop::kCompanyName), named(lid::kEmail1EmailAddress)}) {
            if (fn.find_first_not_of(' ') != std::string::npos) break;
            fn = fallback;
        }
        // FN and N are the two properties every vCard 3.0 must have.
        card_.addRaw("FN", "", VCard::escape(fn));
        const std::vector<std::string> n = {s(prop::kSurname), s(prop::kGivenName),
                                            s(prop::kMiddleName), s(prop::kDisplayNamePrefix),
                                            s(prop::kGeneration)};
        card_.addRaw("N", "", VCard::join(n, ';'));
        card_.addText("NICKNAME", s(prop::kNickname));
    }

    void organisation() {
        card_.addStructured("ORG", {s(prop::kCompanyName), s(prop::kDepartmentName)});
        card_.addText("TITLE", s(prop::kTitle));
    }

    // The business address lives in named properties; older items keep it in the tags.
    std::string work(uint32_t l, uint16_t id) const {
        std::string v = named(l);
        return v.empty() ? s(id) : v;
    }

    void addresses() {
        // Post office box; extended address; street; locality; region; postal code; country.
        card_.addStructured("ADR",
                            {work(lid::kWorkAddressPostOfficeBox, prop::kPostOfficeBox), "",
                             work(lid::kWorkAddressStreet, prop::kStreetAddress),
                             work(lid::kWorkAddressCity, prop::kLocality),
                             work(lid::kWorkAddressState, prop::kStateOrProvince),
                             work(lid::kWorkAddressPostalCode, prop::kPostalCode),
                             work(lid::kWorkAddressCountry, prop::kCountry)},
                            ";TYPE=WORK");
        card_.addStructured("ADR",
                            {s(prop::kHomeAddressPostOfficeBox), "", s(prop::kHomeAddressStreet),
                             s(prop::kHomeAddressCity), s(prop::kHomeAddressStateOrProvince),
                             s(prop::kHomeAddressPostalCode), s(prop::kHomeAddressCountry)},
                            ";TYPE=HOME");
        // vCard 3.0 has no "other" address; POSTAL is neither home nor work.
        card_.addStructured("ADR",
                            {s(prop::kOtherAddressPostOfficeBox), "", s(prop::kOtherAddressStreet),
                             s(prop::kOtherAddressCity), s(prop::kOtherAddressStateOrProvince),
                             s(prop::kOtherAddressPostalCode), s(prop::kOtherAddressCountry)},
                            ";TYPE=POSTAL");
    }

    void phones() {
        static const std::pair<uint16_t, const char*> kPhones[] = {
            {prop::kPrimaryTelephone, ";TYPE=PREF,VOICE"},
            {prop::kBusinessTelephone, ";TYPE=WORK,VOICE"},
            {prop::kBusiness2Telephone, ";TYPE=WORK,VOICE"},
            {prop::kCompanyMainTelephone, ";TYPE=WORK,PREF"},
            {prop::kHomeTelephone, ";TYPE=HOME,VOICE"},
            {prop::kHome2Telephone, ";TYPE=HOME,VOICE"},
            {prop::kMobileTelephone, ";TYPE=CELL,VOICE"},
            {prop::kCarTelephone, ";TYPE=CAR,VOICE"},
            {prop::kBusinessFax, ";TYPE=WORK,FAX"},
            {prop::kHomeFax, ";TYPE=HOME,FAX"},
            {prop::kPrimaryFax, ";TYPE=FAX"},
            {prop::kPagerTelephone, ";TYPE=PAGER"},
            {prop::kIsdnNumber, ";TYPE=ISDN"},
            {prop::kOtherTelephone, ";TYPE=VOICE"},
            {prop::kAssistantTelephone, ";TYPE=VOICE,X-ASSISTANT"},
            {prop::kCallbackTelephone, ";TYPE=VOICE,X-CALLBACK"},
            {prop::kRadioTelephone, ";TYPE=VOICE,X-RADIO"},
            {prop::kTelexNumber, ";TYPE=X-TELEX"},
            {prop::kTtyTddPhone, ";TYPE=X-TTYTDD"}};
        for (const auto& [id, params] : kPhones) card_.addText("TEL", s(id), params);
    }

    // E-mail 1 to 3, the first preferred; an address that is not an internet one (Exchange)
    // says its type.
    std::vector<std::pair<std::string, std::string>> internetAddresses() const {
        static const std::pair<uint32_t, uint32_t> kEmails[] = {
            {lid::kEmail1EmailAddress, lid::kEmail1AddressType},
            {lid::kEmail2EmailAddress, lid::kEmail2AddressType},
            {lid::kEmail3EmailAddress, lid::kEmail3AddressType}};
        std::vector<std::pair<std::string, std::string>> out;
        for (const auto& [addressLid, typeLid] : kEmails) {
            const std::string address = named(addressLid);
            if (address.empty()) continue;
            const bool internet = address.find('@') != std::string::npos;
            std::string params =
                internet ? ";TYPE=INTERNET" : ";TYPE=X-" + typeName(named(typeLid));
            if (out.empty()) params += ",PREF";
            out.emplace_back(address, params);
        }
        return out;
    }

    // The body without the line ends and blanks editors leave at its end (a note of only
    // those is none).
    std::string note() const {
        std::string body = normalizeLineEnds(item_.plainBody());
        body.erase(body.find_last_not_of(" \t\n") + 1);
        return body;
    }

    // An address type as a parameter value: letters, digits and hyphens only.
    static std::string typeName(const std::string& type) {
        std::string out;
        for (char c : type) {
            if (std::isalnum(static_cast<unsigned char>(c)) || c == '-') {
                out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
        }
        return out.empty() ? "OTHER" : out;
    }

    std::string url() const {
        std::string v = s(prop::kBusinessHomePage);
        return v.empty() ? named(lid::kHtml) : v;
    }

    // The picture's format as its first bytes tell it (stores name a PNG ContactPicture.jpg),
    // else as the attachment says.
    static std::string imageType(const std::vector<uint8_t>& data, const AttachmentView& a) {
        auto startsWith = [&](std::string_view magic) {
            return data.size() >= magic.size() &&
                   std::equal(magic.begin(), magic.end(), data.begin(),
                              [](char m, uint8_t d) { return static_cast<uint8_t>(m) == d; });
        };
        if (startsWith("\x89PNG")) return "PNG";
        if (startsWith("\xFF\xD8\xFF")) return "JPEG";
        if (startsWith("GIF8")) return "GIF";
        if (startsWith("BM")) return "BMP";
        std::string type = cleanMimeType(a.mimeType);
        if (type.empty()) type = mimeTypeForName(a.fileName);
        if (type.rfind("image/", 0) != 0) return "";
        std::string sub = type.substr(6);
        for (char& c : sub) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return sub;
    }

    void photo() {
        for (const auto& a : item_.attachments()) {
            if (!a.contactPhoto) continue;
            const std::vector<uint8_t> data = readAttachment(item_, a.index);
            const std::string type = imageType(data, a);
            card_.addRaw("PHOTO", ";ENCODING=b" + (type.empty() ? "" : ";TYPE=" + type),
                         base::base64Encode(data));
            return;
        }
    }

    const ItemView& item_;
    VCard card_;
};

// A distribution list as a group card in the form most address books read in vCard 3.0: its
// members by the UIDs of their cards where they are contacts of the same mailbox, else by
// their addresses. Members that are neither are named in the card's note, never dropped.
class GroupCard {
  public:
    explicit GroupCard(const ItemView& item) : item_(item) {}

    std::string str() {
        std::string name = item_.namedString(kAddress, lid::kDistributionListName).value_or("");
        if (name.empty()) name = item_.string(prop::kDisplayName).value_or(item_.subject());
        card_.addText("FN", name);
        card_.addStructured("N", {name, "", "", "", ""});
        if (auto uid = cardUid(item_.message())) card_.addRaw("UID", "", *uid);
        card_.addRaw("X-ADDRESSBOOKSERVER-KIND", "", "group");
        members();
        card_.addList("CATEGORIES", item_.categories());
        std::string note = item_.plainBody();
        if (!unnamed_.empty()) {
            note += std::string(note.empty() ? "" : "\n\n") + "Members without an address:";
            for (const std::string& who : unnamed_) note += "\n" + who;
        }
        card_.addText("NOTE", note);
        if (auto t = item_.time(prop::kLastModificationTime); t && *t) {
            card_.addRaw("REV", "", utcTime(*t, "%Y-%m-%dT%H:%M:%SZ"));
        }
        return card_.str();
    }

  private:
    static constexpr uint8_t kWrappedProvider[16] = {0xC0, 0x91, 0xAD, 0xD3, 0x51, 0x9D,
                                                     0xCF, 0x11, 0xA4, 0xA9, 0x00, 0xAA,
                                                     0x00, 0x47, 0xFA, 0xA4};
    static constexpr size_t kWrappedHead = 4 + 16 + 1;
    static constexpr size_t kStoreKeyEnd = 4 + 16;

    // The card a member's entry id refers to, when it is a contact or a list of this mailbox.
    std::optional<std::string> memberCard(const std::vector<uint8_t>& wrapped) const {
        if (wrapped.size() < kWrappedHead + kStoreKeyEnd ||
            !std::equal(std::begin(kWrappedProvider), std::end(kWrappedProvider),
                        wrapped.begin() + 4)) {
            return std::nullopt;
        }
        const int type = wrapped[20] & 0x0F;  // 3: a contact, 4: a distribution list
        const std::vector<uint8_t> own = item_.message().entryId();
        if ((type != 3 && type != 4) || own.size() < kStoreKeyEnd ||
            !std::equal(own.begin() + 4, own.begin() + kStoreKeyEnd,
                        wrapped.begin() + kWrappedHead + 4)) {
            return std::nullopt;
        }
        return uuidOf(std::vector<uint8_t>(wrapped.begin() + kWrappedHead, wrapped.end()));
    }

    void members() {
        std::vector<std::vector<uint8_t>> linked, oneOffs;
        if (auto v = item_.named(kAddress, lid::kDistributionListMembers)) linked = v->elements();
        if (auto v = item_.named(kAddress, lid::kDistributionListOneOffMembers)) {
            oneOffs = v->elements();
        }
        const uint32_t codepage = item_.message().codepage();
        for (size_t i = 0; i < std::max(linked.size(), oneOffs.size()); ++i) {
            if (i < linked.size()) {
                if (auto uid = memberCard(linked[i])) {
                    card_.addRaw("X-ADDRESSBOOKSERVER-MEMBER", "", "urn:uuid:" + *uid);
                    continue;
                }
            }
            std::optional<OneOffAddress> address;
            if (i < oneOffs.size()) address = parseOneOffEntryId(oneOffs[i], codepage);
            if (!address && i < linked.size()) address = parseOneOffEntryId(linked[i], codepage);
            if (!address) continue;  // neither names anybody
            if (address->address.find('@') != std::string::npos) {
                card_.addRaw("X-ADDRESSBOOKSERVER-MEMBER", "", "mailto:" + address->address);
            } else {
                unnamed_.push_back(address->displayName.empty()
                                       ? address->address
                                       : address->displayName + " (" + address->address + ")");
            }
        }
    }

    const ItemView& item_;
    VCard card_;
    std::vector<std::string> unnamed_;
};

const char* kindName(ItemKind kind) {
    switch (kind) {
        case ItemKind::Appointment:
            return "an appointment";
        case ItemKind::Meeting:
            return "a meeting request";
        case ItemKind::Task:
            return "a task";
        case ItemKind::Note:
            return "a note";
        case ItemKind::Journal:
            return "a journal entry";
        default:
            return "a message";
    }
}

}  // namespace

void writeVcf(const mapi::Item& message, base::ByteSink& sink) {
    const ItemView item(message);
    if (item.kind() == ItemKind::DistList) return sink.put(GroupCard(item).str());
    if (item.kind() != ItemKind::Contact) {
        throw SaveError(std::string("only contacts can be saved as vCard; this item is ") +
                        kindName(item.kind()) + " (" + item.messageClass() + ")");
    }
    sink.put(ContactCard(item).str());
}

}  // namespace pellmark::formats
