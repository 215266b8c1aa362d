// Appointments, meetings, tasks and distribution lists as pellmark-mkpst writes them, read back
// by the project's own readers (the PST reader and the calendar blob parsers) and by pffexport.

#include <gtest/gtest.h>

#include "PeerReaders.h"
#include "base/Crc32.h"
#include "formats/calendar/CalendarTime.h"
#include "formats/calendar/Recurrence.h"
#include "formats/calendar/TimeZone.h"
#include "mapi/Guid.h"
#include "mapi/NamedIds.h"
#include "mapi/Tags.h"
#include "mkpst/JsonMailbox.h"
#include "pst/messaging/Folder.h"
#include "pst/messaging/Items.h"
#include "pst/messaging/Message.h"
#include "pst/messaging/PstFile.h"
#include "pstwriter/messaging/CalendarKinds.h"
#include "support/TestFiles.h"

namespace pellmark::test {
namespace {

namespace fs = std::filesystem;
namespace cal = formats::calendar;
namespace prop = mapi::prop;
namespace lid = mapi::lid;
using namespace pstwriter;
using cal::minutesOf;

// The document written to a file in `dir` and its folders' items as the reader gives them.
class WrittenMailbox {
  public:
    WrittenMailbox(const std::string& json, const TempDir& dir) : path_(dir / "cal.pst") {
        LoadedMailbox m = loadMailboxJsonText(json, "doc.json");
        m.builder.write(path_, m.variant);
        file_ = pst::PstFile::open(path_);
    }
    const fs::path& path() const { return path_; }
    std::unique_ptr<mapi::Item> item(const std::string& folder, size_t index) const {
        for (pst::NodeId id : file_->ipmSubtree().subfolderIds()) {
            pst::Folder f = file_->folder(id);
            if (f.displayName() == folder)
                return pst::itemOf(file_->message(f.messageIds().at(index)));
        }
        throw std::runtime_error("no folder " + folder);
    }
    std::unique_ptr<mapi::Item> itemAt(pst::NodeId id) const {
        return pst::itemOf(file_->message(id));
    }

  private:
    fs::path path_;
    std::shared_ptr<pst::PstFile> file_;
};

std::vector<uint8_t> namedBytes(const mapi::Item& item, const mapi::Guid& set, uint32_t id) {
    auto v = item.named(set, id);
    return v ? v->bytes : std::vector<uint8_t>{};
}

int64_t namedMinutes(const mapi::Item& item, uint32_t id) {
    return cal::minutesOfFileTime(*item.named(mapi::psetid::kAppointment, id)->asFileTime());
}

const char* kMeeting =
    R"({"folders": [{"name": "Calendar", "class": "IPF.Appointment", "messages": [
  {"kind": "appointment", "repeat": 2, "subject": "Standup {n}", "location": "Room {n}",
   "body": "Daily notes", "timeZone": "Eastern Standard Time",
   "start": "2023-01-02T09:00:00", "end": "2023-01-02T09:30:00",
   "recurrence": {"type": "weekly", "days": ["MO", "WE"], "until": "2023-12-31",
     "deleted": ["2023-03-13"],
     "exceptions": [{"originalStart": "2023-11-06T09:00:00", "start": "2023-11-06T10:00:00",
       "end": "2023-11-06T11:00:00", "subject": "Moved {n}", "location": "Hall",
       "body": "Its own body", "busyStatus": 1}]},
   "organizer": {"name": "Ann Lee", "email": "ann@example.com"},
   "attendees": [{"name": "Bob", "email": "bob@example.com", "response": "accepted"},
                 {"name": "Projector", "email": "room@example.com", "type": "resource"}],
   "reminder": 15, "categories": ["Work"], "sensitivity": "private", "sequence": 3}]}]})";

TEST(MkpstCalendar, RecurringMeetingReadsBackAsWritten) {
    TempDir dir;
    WrittenMailbox box(kMeeting, dir);
    auto item = box.item("Calendar", 1);
    const auto blob = namedBytes(*item, mapi::psetid::kAppointment, lid::kAppointmentRecur);
    const cal::AppointmentRecurrence r = cal::parseAppointmentRecurrence(blob, 1252);
    EXPECT_EQ(r.pattern.frequency, cal::RecurFrequency::Weekly);
    EXPECT_EQ(r.pattern.daysOfWeek, 0x2u | 0x8u);
    EXPECT_EQ(r.pattern.endType, cal::EndType::ByDate);
    EXPECT_EQ(r.pattern.startDate, minutesOf(2023, 1, 2));
    EXPECT_EQ(r.pattern.endDate, minutesOf(2023, 12, 31));
    EXPECT_EQ(r.pattern.occurrenceCount, 104u);  // every Monday and Wednesday of 2023
    EXPECT_EQ(r.pattern.deletedDates,
              (std::vector<int64_t>{minutesOf(2023, 3, 13), minutesOf(2023, 11, 6)}));
    EXPECT_EQ(r.pattern.modifiedDates, std::vector<int64_t>{minutesOf(2023, 11, 6)});
    EXPECT_EQ(r.startTimeOffset, 9u * 60);
    EXPECT_EQ(r.endTimeOffset, 9u * 60 + 30);
    ASSERT_EQ(r.exceptions.size(), 1u);
    const cal::RecurrenceException& e = r.exceptions[0];
    EXPECT_EQ(e.originalStart, minutesOf(2023, 11, 6, 9, 0));
    EXPECT_EQ(e.start, minutesOf(2023, 11, 6, 10, 0));
    EXPECT_EQ(e.end, minutesOf(2023, 11, 6, 11, 0));
    EXPECT_EQ(e.subject, "Moved 2");
    EXPECT_EQ(e.location, "Hall");
    EXPECT_EQ(e.busyStatus, 1u);
    EXPECT_TRUE(e.overrideFlags & cal::overrides::kBody);

    // Wall-clock times in the zone: 09:00 in New York is 14:00 UTC in January.
    const auto zone = cal::parseTimeZoneDefinition(
        namedBytes(*item, mapi::psetid::kAppointment, lid::kAppointmentTimeZoneDefinitionRecur));
    EXPECT_EQ(zone.keyName, "Eastern Standard Time");
    EXPECT_EQ(namedMinutes(*item, lid::kAppointmentStartWhole), minutesOf(2023, 1, 2, 14, 0));
    EXPECT_EQ(zone.toUtc(minutesOf(2023, 7, 3, 9, 0)), minutesOf(2023, 7, 3, 13, 0));
    EXPECT_EQ(item->named(mapi::psetid::kAppointment, lid::kRecurring)->asBool(), true);
    // Outlook clips a series that ends by date at that date's local midnight.
    EXPECT_EQ(namedMinutes(*item, 0x8235), minutesOf(2023, 1, 2, 5, 0));
    EXPECT_EQ(namedMinutes(*item, 0x8236), minutesOf(2023, 12, 31, 5, 0));

    // The exception's own message, as an Outlook exception attachment.
    ASSERT_EQ(item->attachmentCount(), 1u);
    auto att = item->attachment(0);
    EXPECT_EQ(att->get(prop::kAttachmentHidden)->asBool(), true);
    EXPECT_EQ(cal::minutesOfFileTime(*att->get(0x7FF9)->asFileTime()),
              minutesOf(2023, 11, 6, 14, 0));
    auto inner = att->embeddedMessage();
    ASSERT_TRUE(inner);
    EXPECT_EQ(inner->messageClass(), "IPM.OLE.CLASS.{00061055-0000-0000-C000-000000000046}");
    EXPECT_EQ(inner->subject(), "Moved 2");
    EXPECT_EQ(inner->string(prop::kBody), "Its own body");
    EXPECT_EQ(namedMinutes(*inner, lid::kAppointmentStartWhole), minutesOf(2023, 11, 6, 15, 0));

    // The meeting: organizer first, attendees with their roles and answers.
    const auto people = item->recipients();
    ASSERT_EQ(people.size(), 3u);
    EXPECT_EQ(people[0].text(prop::kDisplayName), "Ann Lee");
    EXPECT_EQ(people[0].get(prop::kRecipientFlags)->asInteger(), 3);
    EXPECT_EQ(people[1].get(prop::kRecipientTrackStatus)->asInteger(), 3);
    EXPECT_EQ(people[2].type(), 3);
    EXPECT_EQ(item->string(prop::kSentRepresentingEmailAddress), "ann@example.com");
    const auto goid = namedBytes(*item, mapi::psetid::kMeeting, lid::kGlobalObjectId);
    EXPECT_TRUE(isGlobalObjectId(goid));
    EXPECT_EQ(goid, namedBytes(*item, mapi::psetid::kMeeting, lid::kCleanGlobalObjectId));
    EXPECT_NE(goid,
              namedBytes(*box.item("Calendar", 0), mapi::psetid::kMeeting, lid::kGlobalObjectId));
    EXPECT_EQ(item->named(mapi::psetid::kCommon, lid::kReminderDelta)->asInteger(), 15);
    EXPECT_EQ(item->named(mapi::psetid::kPublicStrings, lid::kKeywordsName)->asStrings(65001),
              std::vector<std::string>{"Work"});
    EXPECT_EQ(item->get(prop::kSensitivity)->asInteger(), 2);
}

struct PatternCase {
    const char* recurrence;
    cal::RecurFrequency frequency;
    cal::PatternType type;
    uint32_t period, days, dayOfMonth, nth;
    int64_t startDate, endDate;  // of the series
};

// Each rule from a Wednesday, 2024-01-10, at 08:00 UTC, five instances.
TEST(MkpstCalendar, EachRuleGivesOutlooksPattern) {
    const PatternCase cases[] = {
        {R"({"type": "daily", "interval": 3, "count": 5})", cal::RecurFrequency::Daily,
         cal::PatternType::Day, 3 * 1440, 0, 0, 0, minutesOf(2024, 1, 10), minutesOf(2024, 1, 22)},
        {R"({"type": "daily", "days": ["MO", "TU", "WE", "TH", "FR"], "count": 5})",
         cal::RecurFrequency::Daily, cal::PatternType::Week, 1, 0x3E, 0, 0, minutesOf(2024, 1, 10),
         minutesOf(2024, 1, 16)},
        {R"({"type": "weekly", "interval": 2, "days": ["FR"], "firstDayOfWeek": "MO", "count": 5})",
         cal::RecurFrequency::Weekly, cal::PatternType::Week, 2, 0x20, 0, 0, minutesOf(2024, 1, 12),
         minutesOf(2024, 3, 8)},
        {R"({"type": "monthly", "dayOfMonth": 31, "count": 5})", cal::RecurFrequency::Monthly,
         cal::PatternType::Month, 1, 0, 31, 0, minutesOf(2024, 1, 31), minutesOf(2024, 5, 31)},
        {R"({"type": "monthNth", "nth": 5, "days": ["FR"], "count": 5})",
         cal::RecurFrequency::Monthly, cal::PatternType::MonthNth, 1, 0x20, 0, 5,
         minutesOf(2024, 1, 26), minutesOf(2024, 5, 31)},
        {R"({"type": "yearly", "count": 5})", cal::RecurFrequency::Yearly, cal::PatternType::Month,
         12, 0, 10, 0, minutesOf(2024, 1, 10), minutesOf(2028, 1, 10)},
        {R"({"type": "yearlyNth", "month": 3, "nth": 2, "days": ["SU"], "count": 5})",
         cal::RecurFrequency::Yearly, cal::PatternType::MonthNth, 12, 0x1, 0, 2,
         minutesOf(2024, 3, 10), minutesOf(2028, 3, 12)},
    };
    TempDir dir;
    std::string messages;
    for (const PatternCase& c : cases) {
        messages +=
            std::string(messages.empty() ? "" : ",") +
            R"({"kind": "appointment", "start": "2024-01-10T08:00:00Z", "end": "2024-01-10T09:00:00Z", "recurrence": )" +
            c.recurrence + "}";
    }
    WrittenMailbox box(R"({"folders": [{"name": "Calendar", "messages": [)" + messages + "]}]}",
                       dir);
    for (size_t i = 0; i < std::size(cases); ++i) {
        const PatternCase& c = cases[i];
        SCOPED_TRACE(c.recurrence);
        auto item = box.item("Calendar", i);
        const auto p =
            cal::parseAppointmentRecurrence(
                namedBytes(*item, mapi::psetid::kAppointment, lid::kAppointmentRecur), 1252)
                .pattern;
        EXPECT_EQ(p.frequency, c.frequency);
        EXPECT_EQ(p.patternType, c.type);
        EXPECT_EQ(p.period, c.period);
        EXPECT_EQ(p.daysOfWeek, c.days);
        EXPECT_EQ(p.dayOfMonth, c.dayOfMonth);
        EXPECT_EQ(p.nth, c.nth);
        EXPECT_EQ(p.endType, cal::EndType::AfterCount);
        EXPECT_EQ(p.startDate, c.startDate);
        EXPECT_EQ(p.endDate, c.endDate);
        // The item starts on the series' first day, at its own time of day.
        EXPECT_EQ(namedMinutes(*item, lid::kAppointmentStartWhole), c.startDate + 8 * 60);
    }
}

TEST(MkpstCalendar, RecurringTasksAndListsOfContacts) {
    TempDir dir;
    WrittenMailbox box(R"({"folders": [
      {"name": "Tasks", "class": "IPF.Task", "messages": [
        {"kind": "task", "subject": "Report", "start": "2024-01-05T00:00:00Z", "priority": "high",
         "recurrence": {"type": "weekly", "days": ["FR"], "count": 10}},
        {"kind": "task", "subject": "Done", "completed": "2024-02-01T00:00:00Z"}]},
      {"name": "Contacts", "class": "IPF.Contact", "messages": [
        {"kind": "distlist", "repeat": 2, "name": "Team {n}",
         "members": [{"contact": "Person {n}"}, {"name": "Guest", "email": "guest@example.com"}]},
        {"kind": "contact", "repeat": 2, "displayName": "Person {n}", "emails": ["p{n}@example.com"]}]}]})",
                       dir);
    auto task = box.item("Tasks", 0);
    const auto pattern =
        cal::parseRecurrencePattern(namedBytes(*task, mapi::psetid::kTask, lid::kTaskRecurrence));
    EXPECT_EQ(pattern.frequency, cal::RecurFrequency::Weekly);
    EXPECT_EQ(pattern.daysOfWeek, 0x20u);
    EXPECT_EQ(pattern.occurrenceCount, 10u);
    EXPECT_EQ(pattern.endDate, minutesOf(2024, 3, 8));
    EXPECT_EQ(task->named(mapi::psetid::kTask, 0x8126)->asBool(), true);
    EXPECT_EQ(task->get(prop::kImportance)->asInteger(), 2);
    auto done = box.item("Tasks", 1);
    EXPECT_EQ(done->named(mapi::psetid::kTask, lid::kTaskStatus)->asInteger(), 2);
    EXPECT_TRUE(done->named(mapi::psetid::kTask, lid::kTaskDateCompleted));

    auto list = box.item("Contacts", 1);
    EXPECT_EQ(list->subject(), "Team 2");
    const auto members =
        list->named(mapi::psetid::kAddress, lid::kDistributionListMembers)->elements();
    ASSERT_EQ(members.size(), 2u);
    // A wrapped entry id of a contact: provider, type, then the contact's message entry id.
    ASSERT_EQ(members[0].size(), 45u);
    EXPECT_EQ(members[0][20], 0xC3);
    const uint32_t nid = members[0][41] | members[0][42] << 8 | members[0][43] << 16 |
                         uint32_t{members[0][44]} << 24;
    EXPECT_EQ(box.itemAt(pst::NodeId(nid))->string(prop::kDisplayName), "Person 2");
    const auto oneOffs =
        list->named(mapi::psetid::kAddress, lid::kDistributionListOneOffMembers)->elements();
    ASSERT_EQ(oneOffs.size(), 2u);
    EXPECT_EQ(members[1], oneOffs[1]);
    std::vector<uint8_t> all = members[0];
    all.insert(all.end(), members[1].begin(), members[1].end());
    EXPECT_EQ(list->named(mapi::psetid::kAddress, 0x804C)->asInteger(),
              static_cast<int32_t>(base::computeCrc(all)));

    const PeerRun pff = runPffexport(box.path(), dir / "pff");
    ASSERT_EQ(pff.exitCode, 0) << pff.errors;
    EXPECT_EQ(pff.folders.at("Tasks").size(), 2u);
    EXPECT_EQ(pff.folders.at("Contacts").size(), 4u);
}

// The loader's message for a document whose one appointment has `fields` besides its start.
std::string appointmentError(const std::string& fields) {
    try {
        loadMailboxJsonText(R"({"folders": [{"name": "C", "messages": [{"kind": "appointment",
            "start": "2024-01-10T08:00:00", )" +
                                fields + "}]}]}",
                            "doc.json");
    } catch (const JsonInputError& e) {
        return e.what();
    }
    return "";
}

TEST(MkpstJson, CalendarMistakesNameTheirPlace) {
    const std::string item = "folders[0].messages[0].";
    EXPECT_EQ(appointmentError(R"("timeZone": "Mars Standard Time")"),
              item +
                  "timeZone: unknown time zone 'Mars Standard Time' (a Windows name such as "
                  "\"Eastern Standard Time\", or an IANA name such as \"America/New_York\")");
    EXPECT_EQ(appointmentError(R"("recurrence": {"type": "hourly"})"),
              item +
                  "recurrence.type: unknown recurrence type 'hourly' (daily, monthNth, "
                  "monthly, weekly, yearly, yearlyNth)");
    EXPECT_EQ(appointmentError(R"("recurrence": {"type": "weekly", "days": ["MO", "XX"]})"),
              item + "recurrence.days[1]: not a day: 'XX' (SU, MO, TU, WE, TH, FR, SA)");
    EXPECT_EQ(appointmentError(R"("recurrence": {"type": "weekly", "days": ["WE"],
              "exceptions": [{"originalStart": "2024-01-11T08:00:00", "subject": "x"}]})"),
              item + "recurrence.exceptions[0]: not an instance of the series");
    EXPECT_EQ(appointmentError(R"("recurrence": {"type": "daily", "deleted": ["2024-01-12",
              "2024-01-12"]})"),
              item + "recurrence.deleted[1]: that instance is already deleted or changed");
    EXPECT_EQ(
        appointmentError(R"("recurrence": {"type": "daily", "count": 3, "until": "2024-02-01"})"),
        item + "recurrence: give until or count, not both");
    EXPECT_EQ(appointmentError(R"("recurrence": {"type": "daily", "until": "2024-01-01"})"),
              item + "recurrence: the series ends before its first instance");
    EXPECT_EQ(appointmentError(R"("recurrence": {"type": "weekly", "dayOfMonth": 3})"),
              item + "recurrence.dayOfMonth: not used by a weekly recurrence");
    EXPECT_EQ(appointmentError(R"("attendees": [{"email": "a@example.com"}])"),
              item + "attendees: a meeting with attendees needs an organizer");
    EXPECT_EQ(
        appointmentError(R"("recurrence": {"type": "daily"}, "timeZone": "W. Europe Standard Time",
              "deleted": ["2024-01-12"])"),
        item + "deleted: unknown field");
    try {
        loadMailboxJsonText(R"({"folders": [{"name": "C", "messages": [{"kind": "distlist",
            "name": "L", "members": [{"contact": "Nobody"}]}]}]})",
                            "doc.json");
        ADD_FAILURE() << "loaded";
    } catch (const JsonInputError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "folders[0].messages[0].members[0].contact: no contact named 'Nobody' in this "
                  "folder");
    }
}

}  // namespace
}  // namespace pellmark::test
