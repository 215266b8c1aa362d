#include "formats/text/HeaderBlock.h"

#include <cmath>

#include "formats/OneOffEntryId.h"
#include "formats/text/DateFormat.h"
#include "mapi/NamedIds.h"
#include "mapi/Tags.h"

namespace pellmark::formats {
namespace {

namespace prop = mapi::prop;
namespace lid = mapi::lid;
using mapi::psetid::kAddress;
using mapi::psetid::kAppointment;
using mapi::psetid::kLog;
using mapi::psetid::kTask;

class Fields {
  public:
    explicit Fields(const ItemView& item) : item_(item) {}

    void add(std::string label, std::string value) {
        if (!value.empty()) out.push_back({std::move(label), std::move(value)});
    }
    void addString(std::string label, uint16_t id) {
        add(std::move(label), item_.string(id).value_or(""));
    }
    void addNamed(std::string label, const mapi::Guid& set, uint32_t lidValue) {
        add(std::move(label), item_.namedString(set, lidValue).value_or(""));
    }
    void addTime(std::string label, std::optional<uint64_t> t, bool dateOnly = false) {
        if (t && *t != 0) add(std::move(label), dateOnly ? formatDate(*t) : formatDateTime(*t));
    }

    std::vector<HeaderField> out;

  private:
    const ItemView& item_;
};

std::string recipientsOfType(const std::vector<RecipientView>& rs, int type) {
    std::string out;
    for (const auto& r : rs) {
        if (r.type != type) continue;
        if (!out.empty()) out += "; ";
        out += formatAddress(r.who);
    }
    return out;
}

std::string attachmentNames(const ItemView& item) {
    std::string out;
    for (const auto& a : item.attachments()) {
        if (a.hidden || a.contactPhoto) continue;
        if (!out.empty()) out += "; ";
        out += a.fileName;
    }
    return out;
}

void mailFields(const ItemView& item, Fields& f) {
    f.add("From", formatAddress(item.from()));
    if (auto s = item.sender()) f.add("Sender", formatAddress(*s));
    f.addTime("Sent", item.sentTime());
    const auto rs = item.recipients();
    f.add("To", recipientsOfType(rs, 1));
    f.add("Cc", recipientsOfType(rs, 2));
    f.add("Bcc", recipientsOfType(rs, 3));
    f.add("Subject", item.subject());
}

// A postal address, one part a line.
std::string address(std::initializer_list<std::optional<std::string>> parts) {
    std::string out;
    for (const auto& p : parts) {
        if (!p || p->empty()) continue;
        if (!out.empty()) out += "\n";
        out += *p;
    }
    return out;
}

void contactFields(const ItemView& item, Fields& f) {
    auto s = [&](uint16_t id) { return item.string(id); };
    // The business address lives in named properties; older items keep it in the tags.
    auto work = [&](uint32_t l, uint16_t id) {
        auto v = item.namedString(kAddress, l);
        return v ? v : s(id);
    };
    f.addString("Full Name", prop::kDisplayName);
    f.addString("Last Name", prop::kSurname);
    f.addString("First Name", prop::kGivenName);
    f.addString("Nickname", prop::kNickname);
    f.addString("Company", prop::kCompanyName);
    f.addString("Department", prop::kDepartmentName);
    f.addString("Job Title", prop::kTitle);
    f.add("Business Address", address({work(lid::kWorkAddressStreet, prop::kStreetAddress),
                                       work(lid::kWorkAddressCity, prop::kLocality),
                                       work(lid::kWorkAddressState, prop::kStateOrProvince),
                                       work(lid::kWorkAddressPostalCode, prop::kPostalCode),
                                       work(lid::kWorkAddressCountry, prop::kCountry)}));
    f.add("Home Address", address({s(prop::kHomeAddressStreet), s(prop::kHomeAddressCity),
                                   s(prop::kHomeAddressStateOrProvince),
                                   s(prop::kHomeAddressPostalCode), s(prop::kHomeAddressCountry)}));
    f.add("Other Address",
          address({s(prop::kOtherAddressStreet), s(prop::kOtherAddressCity),
                   s(prop::kOtherAddressStateOrProvince), s(prop::kOtherAddressPostalCode),
                   s(prop::kOtherAddressCountry)}));
    static const std::pair<const char*, uint16_t> kPhones[] = {
        {"Business", prop::kBusinessTelephone}, {"Business 2", prop::kBusiness2Telephone},
        {"Home", prop::kHomeTelephone},         {"Home 2", prop::kHome2Telephone},
        {"Mobile", prop::kMobileTelephone},     {"Business Fax", prop::kBusinessFax},
        {"Home Fax", prop::kHomeFax},           {"Pager", prop::kPagerTelephone},
        {"Car", prop::kCarTelephone},           {"Assistant", prop::kAssistantTelephone},
        {"Primary", prop::kPrimaryTelephone},   {"Other", prop::kOtherTelephone}};
    for (const auto& [label, id] : kPhones) f.addString(label, id);
    f.addNamed("E-mail", kAddress, lid::kEmail1EmailAddress);
    f.addNamed("E-mail 2", kAddress, lid::kEmail2EmailAddress);
    f.addNamed("E-mail 3", kAddress, lid::kEmail3EmailAddress);
    f.addNamed("IM Address", kAddress, lid::kInstantMessagingAddress);
    f.addString("Web Page", prop::kBusinessHomePage);
    f.addString("Personal Web Page", prop::kPersonalHomePage);
    f.addTime("Birthday", item.time(prop::kBirthday), true);
}

const char* taskStatus(int64_t status) {
    static const char* const kStatus[] = {"Not Started", "In Progress", "Completed",
                                          "Waiting on someone else", "Deferred"};
    return status >= 0 && status < 5 ? kStatus[status] : "";
}

const char* importance(int64_t value) {
    return value == 0 ? "Low" : value == 2 ? "High" : "Normal";
}

}  // namespace

std::string formatAddress(const Address& a) {
    if (a.name.empty()) return a.address;
    if (a.address.empty() || a.address == a.name) return a.name;
    return a.name + " <" + a.address + ">";
}

std::vector<std::string> distributionListMembers(const ItemView& item) {
    std::vector<std::string> out;
    auto v = item.named(kAddress, lid::kDistributionListOneOffMembers);
    if (!v) return out;
    for (const auto& e : v->elements()) {
        if (auto a = parseOneOffEntryId(e, item.message().codepage())) {
            out.push_back(formatAddress({a->displayName, a->address, a->addressType}));
        }
    }
    return out;
}

std::vector<HeaderField> headerFields(const ItemView& item) {
    Fields f(item);
    switch (item.kind()) {
        case ItemKind::Contact:
            contactFields(item, f);
            break;
        case ItemKind::DistList: {
            f.add("Name",
                  item.namedString(kAddress, lid::kDistributionListName).value_or(item.subject()));
            std::string members;
            for (const auto& m : distributionListMembers(item))
                members += (members.empty() ? "" : "\n") + m;
            f.add("Members", members);
            break;
        }
        case ItemKind::Appointment:
        case ItemKind::Meeting:
            if (item.kind() == ItemKind::Meeting)
                mailFields(item, f);
            else
                f.add("Subject", item.subject());
            f.addNamed("Location", kAppointment, lid::kLocation);
            f.addTime("Start", item.namedTime(kAppointment, lid::kAppointmentStartWhole));
            f.addTime("End", item.namedTime(kAppointment, lid::kAppointmentEndWhole));
            f.addNamed("Recurrence", kAppointment, lid::kRecurrencePattern);
            if (item.kind() == ItemKind::Appointment) {
                const auto rs = item.recipients();
                f.add("Organizer", formatAddress(item.from()));
                f.add("Required Attendees", recipientsOfType(rs, 1));
                f.add("Optional Attendees", recipientsOfType(rs, 2));
            }
            break;
        case ItemKind::Task: {
            f.add("Subject", item.subject());
            f.addTime("Start Date", item.namedTime(kTask, lid::kTaskStartDate), true);
            f.addTime("Due Date", item.namedTime(kTask, lid::kTaskDueDate), true);
            if (auto st = item.namedInteger(kTask, lid::kTaskStatus))
                f.add("Status", taskStatus(*st));
            if (auto imp = item.integer(prop::kImportance)) f.add("Priority", importance(*imp));
            if (auto pc = item.named(kTask, lid::kPercentComplete); pc && pc->asDouble()) {
                f.add("% Complete",
                      std::to_string(static_cast<int>(std::lround(*pc->asDouble() * 100))) + "%");
            }
            f.addTime("Date Completed", item.namedTime(kTask, lid::kTaskDateCompleted), true);
            f.addNamed("Owner", kTask, lid::kTaskOwner);
            break;
        }
        case ItemKind::Journal:
            f.add("Subject", item.subject());
            f.addNamed("Entry Type", kLog, lid::kLogType);
            f.addTime("Start", item.namedTime(kLog, lid::kLogStart));
            f.addTime("End", item.namedTime(kLog, lid::kLogEnd));
            if (auto d = item.namedInteger(kLog, lid::kLogDuration))
                f.add("Duration", std::to_string(*d) + " minutes");
            break;
        case ItemKind::Note:
            f.add("Subject", item.subject());
            f.addTime("Modified", item.time(prop::kLastModificationTime));
            break;
        default:
            mailFields(item, f);
            break;
    }
    std::string cats;
    for (const auto& c : item.categories()) cats += (cats.empty() ? "" : "; ") + c;
    f.add("Categories", cats);
    f.add("Attachments", attachmentNames(item));
    return f.out;
}

}  // namespace pellmark::formats
