// Series of every kind, written by pellmark-mkpst as Outlook stores them, exported with
// --format ics and expanded by ical.js (tests/scripts/ics_occurrences.js): every occurrence
// over two years must be, instance by instance, what the item's recurrence blob and time zone
// definition describe as the reader gives them (OutlookSeries, counted out without the
// writer's RRULE code). Python's icalendar must read the calendar file too.

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

// Each pattern kind and end; first days of the week; zones north and south of the equator
// (whose rules ICU gives year by year), without daylight-saving time and UTC; all-day series;
// deleted and moved instances; a single appointment in the hour New York skips.
const char* kSeries = R"({"store": {"name": "Series"}, "folders": [
 {"name": "Calendar", "class": "IPF.Appointment", "messages": [
  {"kind": "appointment", "subject": "Every third day", "timeZone": "W. Europe Standard Time",
   "start": "2024-03-22T08:00:00", "end": "2024-03-22T08:30:00",
   "recurrence": {"type": "daily", "interval": 3, "count": 10}},
  {"kind": "appointment", "subject": "Every weekday", "timeZone": "Tokyo Standard Time",
   "start": "2024-05-30T07:00:00", "end": "2024-05-30T07:15:00",
   "recurrence": {"type": "daily", "days": ["MO", "TU", "WE", "TH", "FR"], "count": 8}},
  {"kind": "appointment", "subject": "Sunday and Tuesday, every other week",
   "timeZone": "AUS Eastern Standard Time",
   "start": "2024-03-26T18:00:00", "end": "2024-03-26T19:00:00",
   "recurrence": {"type": "weekly", "interval": 2, "days": ["SU", "TU"],
                  "firstDayOfWeek": "MO", "until": "2024-10-31"}},
  {"kind": "appointment", "subject": "On the 31st, or the month's last day",
   "timeZone": "Tokyo Standard Time", "start": "2024-01-31T12:00:00", "end": "2024-01-31T13:00:00",
   "recurrence": {"type": "monthly", "dayOfMonth": 31, "count": 12}},
  {"kind": "appointment", "subject": "On the 30th, or February's last day",
   "timeZone": "Tokyo Standard Time", "start": "2024-01-30T12:00:00", "end": "2024-01-30T13:00:00",
   "recurrence": {"type": "monthly", "dayOfMonth": 30, "count": 12}},
  {"kind": "appointment", "subject": "Second Tuesday of every other month",
   "timeZone": "Pacific Standard Time", "start": "2024-01-09T10:00:00", "end": "2024-01-09T11:00:00",
   "recurrence": {"type": "monthNth", "interval": 2, "nth": 2, "days": ["TU"]}},
  {"kind": "appointment", "subject": "Last weekday of the month",
   "timeZone": "W. Europe Standard Time", "start": "2024-01-31T16:00:00", "end": "2024-01-31T17:00:00",
   "recurrence": {"type": "monthNth", "nth": 5, "days": ["MO", "TU", "WE", "TH", "FR"],
                  "until": "2025-06-30"}},
  {"kind": "appointment", "subject": "First weekend day", "timeZone": "W. Europe Standard Time",
   "start": "2024-06-01T09:00:00", "end": "2024-06-01T12:00:00",
   "recurrence": {"type": "monthNth", "nth": 1, "days": ["SA", "SU"], "count": 6}},
  {"kind": "appointment", "subject": "Leap day, or the last of February",
   "timeZone": "Eastern Standard Time", "start": "2024-02-29T07:00:00", "end": "2024-02-29T07:15:00",
   "recurrence": {"type": "yearly", "count": 5}},
  {"kind": "appointment", "subject": "Every other year in UTC",
   "start": "2024-06-15T12:00:00Z", "end": "2024-06-15T13:00:00Z",
   "recurrence": {"type": "yearly", "interval": 2}},
  {"kind": "appointment", "subject": "Fourth Thursday of November", "allDay": true,
   "start": "2024-11-28", "end": "2024-11-29",
   "recurrence": {"type": "yearlyNth", "nth": 4, "days": ["TH"], "month": 11,
                  "until": "2030-12-31"}},
  {"kind": "appointment", "subject": "Camp", "allDay": true, "start": "2024-07-01", "end": "2024-07-02",
   "recurrence": {"type": "daily", "count": 7, "deleted": ["2024-07-03"],
     "exceptions": [{"originalStart": "2024-07-05", "start": "2024-07-08", "end": "2024-07-09",
                     "subject": "Camp, later"}]}},
  {"kind": "appointment", "subject": "Standup", "timeZone": "Eastern Standard Time",
   "start": "2023-01-02T09:00:00", "end": "2023-01-02T10:00:00",
   "recurrence": {"type": "weekly", "days": ["MO"], "deleted": ["2023-03-13"],
     "exceptions": [
       {"originalStart": "2023-07-03T09:00:00", "start": "2023-07-05T09:00:00",
        "end": "2023-07-05T10:00:00"},
       {"originalStart": "2023-11-06T09:00:00", "start": "2023-11-06T10:00:00",
        "end": "2023-11-06T11:00:00", "subject": "Moved"}]},
   "organizer": {"name": "Ann Lee", "email": "ann@example.com"},
   "attendees": [{"name": "Bob", "email": "bob@example.com", "response": "accepted"}]},
  {"kind": "appointment", "subject": "Night train", "timeZone": "Eastern Standard Time",
   "start": "2024-03-10T01:30:00", "end": "2024-03-10T03:30:00"}]}]})";

// "Day 30, or the last day of a shorter month" needs BYSETPOS beside BYMONTHDAY, which ical.js
// (as libical) ignores: dateutil, which follows RFC 5545 there, expands that one.
constexpr const char* kThirtieth = "On the 30th, or February's last day";

// The instances ics_summary.py (dateutil's rrule) expands for the event `subject`, each as
// "OCC local offset utc"; Python's icalendar must read the whole file for it.
std::vector<std::string> dateutilOccurrences(const fs::path& ics, const std::string& subject) {
    const auto result = test::runPythonTool("ics_summary.py", test::shellQuote(ics.string()));
    EXPECT_EQ(result.status, 0) << result.out;
    std::vector<std::string> out;
    bool in = false;
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("VEVENT ") || line.starts_with("VTODO "))
            in = line == "VEVENT summary=" + subject;
        if (in && line.starts_with("OCC ")) out.push_back(line.substr(0, line.rfind(' ')));
    }
    return out;
}

// "OCC utcZ/local+hhmm ..." as ics_summary.py prints the start.
std::vector<std::string> dateutilForms(const std::vector<std::string>& occurrences) {
    std::vector<std::string> out;
    for (const std::string& o : occurrences) {
        const std::string start = o.substr(4, o.find(' ', 4) - 4);
        const size_t slash = start.find('/');
        const std::string local = start.substr(slash + 1);
        out.push_back("OCC " + local.substr(0, 16) + " " + local.substr(16) + " " +
                      start.substr(0, slash - 1));
    }
    return out;
}

class CalendarExpansion : public ::testing::Test {
  protected:
    void SetUp() override {
        test::requireReader(test::Reader::Python);
        if (auto problem = test::readerProblem(test::Reader::IcalJs)) GTEST_SKIP() << *problem;
        box_ = std::make_unique<test::CalendarMailbox>(kSeries, dir_ / "series.pst");
        ics_ = box_->exportAs("ics", dir_ / "ics") / "Series" / "Calendar" / "Calendar.ics";
        ASSERT_TRUE(fs::is_regular_file(ics_));
        found_ = test::occurrencesBySummary(test::icalJsOccurrences(ics_));
    }

    test::TempDir dir_;
    std::unique_ptr<test::CalendarMailbox> box_;
    fs::path ics_;
    std::map<std::string, std::vector<std::string>> found_;
};

TEST_F(CalendarExpansion, EverySeriesExpandsAsItsBlobSays) {
    const auto items = box_->items("Calendar");
    ASSERT_EQ(items.size(), 14u);
    EXPECT_EQ(found_.size(), items.size());
    for (const auto& item : items) {
        const std::string subject = item->subject();
        SCOPED_TRACE(subject);
        const auto expected = test::expectedOccurrences(*item);
        ASSERT_FALSE(expected.empty());
        if (subject == kThirtieth) {
            test::expectSameOccurrences(dateutilOccurrences(ics_, subject),
                                        dateutilForms(expected));
            continue;
        }
        test::expectSameOccurrences(found_[subject], expected);
    }
}

// Every Monday at 09:00 in New York, never ending: 13 March 2023 deleted, 3 July moved to
// Wednesday, 6 November an hour later under a subject of its own. Over two years every other
// instance stays at 09:00 local, its UTC instant moving an hour at each change of
// daylight-saving time.
TEST_F(CalendarExpansion, WeeklyNewYorkMeetingKeepsItsHourAcrossBothChanges) {
    const auto& found = found_["Standup"];
    ASSERT_EQ(found.size(), 104u);  // the Mondays of 2023 and 2024 but one
    const std::set<std::string> expected = {
        "OCC 2023-03-06T14:00Z/2023-03-06T09:00-0500 2023-03-06T15:00Z/2023-03-06T10:00-0500",
        "OCC 2023-03-20T13:00Z/2023-03-20T09:00-0400 2023-03-20T14:00Z/2023-03-20T10:00-0400",
        "OCC 2023-07-05T13:00Z/2023-07-05T09:00-0400 2023-07-05T14:00Z/2023-07-05T10:00-0400 "
        "replaces 2023-07-03T13:00Z/2023-07-03T09:00-0400",
        "OCC 2023-10-30T13:00Z/2023-10-30T09:00-0400 2023-10-30T14:00Z/2023-10-30T10:00-0400",
        "OCC 2023-11-06T15:00Z/2023-11-06T10:00-0500 2023-11-06T16:00Z/2023-11-06T11:00-0500 "
        "replaces 2023-11-06T14:00Z/2023-11-06T09:00-0500",
        "OCC 2023-11-13T14:00Z/2023-11-13T09:00-0500 2023-11-13T15:00Z/2023-11-13T10:00-0500",
        "OCC 2024-03-04T14:00Z/2024-03-04T09:00-0500 2024-03-04T15:00Z/2024-03-04T10:00-0500",
        "OCC 2024-03-11T13:00Z/2024-03-11T09:00-0400 2024-03-11T14:00Z/2024-03-11T10:00-0400",
        "OCC 2024-11-04T14:00Z/2024-11-04T09:00-0500 2024-11-04T15:00Z/2024-11-04T10:00-0500",
    };
    size_t seen = 0;
    for (const std::string& o : found) {
        EXPECT_EQ(o.find("2023-03-13"), std::string::npos) << o;
        if (o.find("replaces") == std::string::npos) {
            EXPECT_EQ(o.substr(32, 6), "T09:00") << o;  // after "OCC <utc>Z/<date>"
        }
        seen += expected.count(o);
    }
    EXPECT_EQ(seen, expected.size());
}

}  // namespace
}  // namespace pellmark
