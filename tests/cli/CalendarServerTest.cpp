// A mailbox export's calendars and address books served by a throw-away Radicale
// (tests/scripts/dav_check.py: each calendar and each folder of vCards uploaded whole, the
// server stopped whatever happens) and asked over CalDAV and CardDAV what a calendar or
// address book program asks: the events of a time range (by their masters: a recurring event
// is returned when any of its instances falls in the range, with deleted instances left out
// and moved ones where they now are), the tasks, every card and a group's members.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "CalendarMailbox.h"
#include "formats/OutlookSeries.h"
#include "support/Readers.h"
#include "support/TestFiles.h"

namespace pellmark {
namespace {

namespace fs = std::filesystem;
using Names = std::set<std::string>;

const char* kOffice = R"({"store": {"name": "Office"}, "folders": [
 {"name": "Inbox", "class": "IPF.Note", "messages": [{"subject": "Hello"}]},
 {"name": "Calendar", "class": "IPF.Appointment", "messages": [
  {"kind": "appointment", "subject": "Standup", "timeZone": "Eastern Standard Time",
   "start": "2024-01-01T09:00:00", "end": "2024-01-01T09:30:00",
   "recurrence": {"type": "weekly", "days": ["MO", "WE"], "until": "2024-06-30",
     "deleted": ["2024-03-11"],
     "exceptions": [{"originalStart": "2024-03-13T09:00:00", "start": "2024-03-14T15:00:00",
                     "end": "2024-03-14T15:30:00", "subject": "Standup, Thursday"}]}},
  {"kind": "appointment", "subject": "Review", "timeZone": "W. Europe Standard Time",
   "start": "2024-01-31T16:00:00", "end": "2024-01-31T17:00:00",
   "recurrence": {"type": "monthNth", "nth": 5, "days": ["MO", "TU", "WE", "TH", "FR"],
                  "count": 6}},
  {"kind": "appointment", "subject": "Offsite", "timeZone": "Tokyo Standard Time",
   "start": "2024-03-20T09:00:00", "end": "2024-03-21T17:00:00"},
  {"kind": "appointment", "subject": "Holiday", "allDay": true,
   "start": "2024-05-01", "end": "2024-05-02", "recurrence": {"type": "yearly"}}]},
 {"name": "Tasks", "class": "IPF.Task", "messages": [
  {"kind": "task", "subject": "File report", "start": "2024-03-01T00:00:00Z",
   "due": "2024-03-08T00:00:00Z", "status": 1, "percentComplete": 0.5},
  {"kind": "task", "subject": "Water plants", "start": "2024-03-04T00:00:00Z",
   "recurrence": {"type": "weekly", "days": ["MO"], "count": 10}},
  {"kind": "task", "subject": "Done already", "completed": "2024-02-02T12:00:00Z"}]},
 {"name": "Contacts", "class": "IPF.Contact", "messages": [
  {"kind": "contact", "givenName": "Ann", "surname": "Lee", "emails": ["ann@example.com"]},
  {"kind": "contact", "givenName": "Bob", "surname": "Stone",
   "emails": ["bob@example.com", "bob@home.example"]},
  {"kind": "contact", "givenName": "Zoë", "surname": "Brandt", "emails": ["zoe@example.com"],
   "company": "Brandt & Co"},
  {"kind": "distlist", "name": "Team", "members": [{"contact": "Ann Lee"},
   {"contact": "Zoë Brandt"}, {"name": "Carol", "email": "carol@example.com"}]}]}]})";

struct TimeRange {
    const char* start;
    const char* end;
};

// March; the slot of the deleted instance; the original and the new slot of the moved one;
// July, after every series but the yearly one ended; a day of the yearly one's second year;
// the last instance of the one that ends after six.
constexpr TimeRange kRanges[] = {
    {"20240301T000000Z", "20240401T000000Z"}, {"20240311T130000Z", "20240311T133000Z"},
    {"20240313T130000Z", "20240313T133000Z"}, {"20240314T190000Z", "20240314T193000Z"},
    {"20240701T000000Z", "20240801T000000Z"}, {"20250501T000000Z", "20250502T000000Z"},
    {"20240628T140000Z", "20240628T143000Z"},
};

// The subjects of the calendar's items that have an occurrence overlapping `range`, counted
// from their blobs: dates of all-day events are taken as UTC, as the server takes them.
Names expectedInRange(const std::vector<std::unique_ptr<mapi::Item>>& items, TimeRange range) {
    const int64_t from = test::minutesOfIcsTime(range.start);
    const int64_t to = test::minutesOfIcsTime(range.end);
    Names names;
    for (const auto& item : items) {
        const test::ItemOccurrences o = test::occurrencesOf(*item);
        for (const test::SeriesInstance& i : o.instances) {
            const int64_t start = o.clock.allDay ? i.start : o.clock.toUtc(i.start);
            const int64_t end = o.clock.allDay ? i.end : o.clock.toUtc(i.end);
            if (start < to && end > from) names.insert(item->subject());
        }
    }
    return names;
}

// dav_check.py's lines by their first word, each without it.
std::map<std::string, std::vector<std::string>> linesByKind(const std::string& out) {
    std::map<std::string, std::vector<std::string>> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        const size_t space = line.find(' ');
        if (space != std::string::npos)
            lines[line.substr(0, space)].push_back(line.substr(space + 1));
    }
    return lines;
}

// The last `fields - 1` words of a line are its first ones; the rest is one text.
std::vector<std::string> fieldsOf(const std::string& line, size_t fields) {
    std::vector<std::string> out;
    size_t at = 0;
    while (out.size() + 1 < fields) {
        const size_t space = line.find(' ', at);
        out.push_back(line.substr(at, space - at));
        at = space + 1;
    }
    out.push_back(line.substr(at));
    return out;
}

TEST(CalendarServer, RadicaleServesTheExportedCalendarsTasksAndAddressBook) {
    test::requireReader(test::Reader::Python);
    if (auto problem = test::readerProblem(test::Reader::Radicale)) GTEST_SKIP() << *problem;
    test::TempDir dir;
    test::CalendarMailbox box(kOffice, dir / "office.pst");
    const fs::path root = box.exportAs("maildir", dir / "maildir");
    std::string args = test::shellQuote(root.string());
    for (const TimeRange& r : kRanges) args += std::string(" --range ") + r.start + " " + r.end;
    const auto result = test::runPythonTool("dav_check.py", args + " 2>&1");
    ASSERT_EQ(result.status, 0) << result.out;
    auto lines = linesByKind(result.out);

    EXPECT_EQ(lines["COLLECTION"],
              (std::vector<std::string>{"Office-Calendar calendar 4", "Office-Tasks calendar 3",
                                        "Office-Contacts addressbook 4"}))
        << result.out;

    std::map<std::string, Names> inRange;  // "start end" -> subjects
    for (const std::string& line : lines["RANGE"]) {
        const auto f = fieldsOf(line, 5);
        EXPECT_EQ(f[2], "Office-Calendar");
        inRange[f[0] + " " + f[1]].insert(f[4]);
    }
    const auto items = box.items("Calendar");
    for (const TimeRange& r : kRanges) {
        const std::string key = std::string(r.start) + " " + r.end;
        EXPECT_EQ(inRange[key], expectedInRange(items, r)) << key << "\n" << result.out;
    }
    // What the expansion above must say, spelled out.
    EXPECT_EQ(inRange["20240301T000000Z 20240401T000000Z"],
              (Names{"Offsite", "Review", "Standup"}));
    EXPECT_EQ(inRange["20240311T130000Z 20240311T133000Z"], Names{});
    EXPECT_EQ(inRange["20240313T130000Z 20240313T133000Z"], Names{});
    EXPECT_EQ(inRange["20240314T190000Z 20240314T193000Z"], Names{"Standup"});
    EXPECT_EQ(inRange["20240701T000000Z 20240801T000000Z"], Names{});
    EXPECT_EQ(inRange["20250501T000000Z 20250502T000000Z"], Names{"Holiday"});
    EXPECT_EQ(inRange["20240628T140000Z 20240628T143000Z"], Names{"Review"});

    Names tasks;
    for (const std::string& line : lines["TODO"]) tasks.insert(fieldsOf(line, 3)[2]);
    EXPECT_EQ(tasks, (Names{"Done already", "File report", "Water plants"}));

    // Every card, and the group's members: its contacts' cards by UID, the one-off address.
    std::map<std::string, std::string> cards;  // uid -> "kind fn"
    for (const std::string& line : lines["CARD"]) {
        const auto f = fieldsOf(line, 4);
        cards[f[1]] = f[2] + " " + f[3];
    }
    Names shown, members;
    std::string group;
    for (const auto& [uid, card] : cards) {
        shown.insert(card);
        if (card == "group Team") group = uid;
    }
    EXPECT_EQ(shown, (Names{"card Ann Lee", "card Bob Stone", "card Zoë Brandt", "group Team"}));
    for (const std::string& line : lines["MEMBER"]) {
        const auto f = fieldsOf(line, 3);
        EXPECT_EQ(f[0], group);
        members.insert(f[2]);
        if (f[1].starts_with("urn:uuid:")) {
            EXPECT_EQ(cards.count(f[1].substr(9)), 1u) << line;
        }
    }
    EXPECT_EQ(members, (Names{"Ann Lee", "Zoë Brandt", "carol@example.com"}));
}

}  // namespace
}  // namespace pellmark
