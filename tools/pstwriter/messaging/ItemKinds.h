#pragma once
// Items other than mail, as Outlook stores them: contacts and distribution lists, appointments,
// tasks, notes and journal entries. Each is a message of its class whose fields are tagged
// properties and named properties of the kind's property set ([MS-OXOCNTC], [MS-OXOCAL],
// [MS-OXOTASK], [MS-OXONOTE], [MS-OXOJRNL]).

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pstwriter/messaging/CalendarKinds.h"
#include "pstwriter/messaging/Model.h"

namespace pellmark::pstwriter {

namespace lid {
// Named properties by their long ids in their property sets.
NamedProp address(uint32_t id);
NamedProp appointment(uint32_t id);
NamedProp task(uint32_t id);
NamedProp meeting(uint32_t id);
NamedProp common(uint32_t id);
NamedProp note(uint32_t id);
NamedProp log(uint32_t id);
// Every named property the item kinds below use; registered first in every file, as Outlook's
// own files carry their standard names from the start.
const std::vector<NamedProp>& standard();
}  // namespace lid

// A one-off entry id ([MS-OXCDATA] 2.2.5.1) naming an SMTP address, in its Unicode form;
// `flags` as recipients carry them, distribution lists write 0x8001 (Unicode, no rich text).
ByteVec oneOffEntryId(const std::string& name, const std::string& email, uint16_t flags = 0x9001);
// The entry id of a message of this store ([MS-OXCDATA] 2.2.4.2 as a .pst keeps it): zero
// flags, the store's record key and the message's node id.
ByteVec messageEntryId(const std::array<uint8_t, 16>& recordKey, uint32_t nodeId);

struct PostalAddress {
    std::string street, city, state, postalCode, country;
    bool empty() const { return (street + city + state + postalCode + country).empty(); }
};

struct ContactInfo {
    std::string givenName, middleName, surname, prefix, suffix, nickname;
    std::string displayName;  // "given surname" when empty
    std::string company, department, jobTitle;
    std::vector<std::string> emails;  // up to three
    std::string businessPhone, homePhone, mobilePhone, businessFax;
    PostalAddress business, home;
    std::string webPage, notes;
    std::optional<uint64_t> birthday;
    ByteVec picture;  // JPEG or PNG bytes, stored as the contact photo attachment
};

// A member of a distribution list: an address of its own (a one-off), or a contact of the
// same store when `contactEntryId` is set (the contact's message entry id; the name and
// address are the contact's first e-mail address, shown beside it).
struct DistListMember {
    std::string name, email;
    ByteVec contactEntryId;
};

struct NoteInfo {
    std::string text;
    int32_t color = 3;  // yellow
};

struct JournalInfo {
    std::string subject, body, type = "Phone call";
    uint64_t start = 0;
    int32_t durationMinutes = 0;
};

Message& addContact(Folder& folder, const ContactInfo& c);
Message& addDistList(Folder& folder, const std::string& name,
                     const std::vector<DistListMember>& members);
Message& addAppointment(Folder& folder, const AppointmentInfo& a);
Message& addTask(Folder& folder, const TaskInfo& t);
Message& addNote(Folder& folder, const NoteInfo& n);
Message& addJournal(Folder& folder, const JournalInfo& j);

void fillContact(Message& m, const ContactInfo& c);
void fillDistList(Message& m, const std::string& name, const std::vector<DistListMember>& members);
void fillNote(Message& m, const NoteInfo& n);
void fillJournal(Message& m, const JournalInfo& j);

}  // namespace pellmark::pstwriter
