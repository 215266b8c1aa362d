// Calendars as a calendar program expands them: ical.js (tests/scripts/ics_occurrences.js)
// reads each written .ics, registers its zones and lists every occurrence of every event over
// two years, as UTC instants and local times; those must be, instance by instance, the series
// the item's own recurrence blob and time zone definition describe (OutlookSeries, counted
// out without the writer's RRULE code). Python's icalendar must read every file too.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "CalendarBlobs.h"
#include "OutlookSeries.h"
#include "formats/calendar/CalendarFile.h"
#include "formats/calendar/CalendarTime.h"
#include "formats/calendar/IcsWriter.h"
#include "msgfile/MsgFile.h"
#include "support/Readers.h"
#include "support/StringSink.h"

namespace pellmark {
namespace {

namespace fs = std::filesystem;

std::string icsOf(const mapi::Item& item) {
    test::StringSink sink;
    const auto problems = formats::calendar::writeCalendar(item, sink);
    sink.flush();
    EXPECT_TRUE(problems.empty()) << problems.front();
    return sink.out;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// What ics_occurrences.js prints of the calendar file at `path`, by line.
std::vector<std::string> icalJsOccurrences(const fs::path& path) {
    const auto result =
        test::runNodeTool("ics_occurrences.js", test::shellQuote(path.string()) + " 2>&1");
    EXPECT_EQ(result.status, 0) << result.out;
    return linesOf(result.out);
}

// Python's icalendar reads the file whole (ics_summary.py walks every component).
void expectIcalendarReads(const fs::path& path) {
    const auto result = test::runPythonTool("ics_summary.py", test::shellQuote(path.string()));
    EXPECT_EQ(result.status, 0) << result.out;
}

std::vector<std::string> occurrenceLines(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const auto& l : lines)
        if (l.starts_with("OCC ")) out.push_back(l);
    return out;
}

// Instance by instance, so that a difference names the first instance that differs.
void expectSameOccurrences(const std::vector<std::string>& found,
                           const std::vector<std::string>& expected) {
    for (size_t i = 0; i < std::min(found.size(), expected.size()); ++i) {
        ASSERT_EQ(found[i], expected[i]) << "instance " << i;
    }
    EXPECT_EQ(found.size(), expected.size());
}

void skipWithoutReaders() {
    test::requireReader(test::Reader::Python);
    if (auto problem = test::readerProblem(test::Reader::IcalJs)) GTEST_SKIP() << *problem;
}

struct SampleCase {
    const char* file;
    size_t instances;  // over two years, deleted ones left out
};

// The Outlook appointments of the samples: daily (every weekday), weekly, monthly, yearly,
// Eastern time, an all-day event without a zone, a single meeting, every Friday of 2023.
TEST(IcsOccurrences, OutlookSamplesExpandAsTheirBlobsSay) {
    skipWithoutReaders();
    const SampleCase cases[] = {
        {"hhtmsgreader__A_daily_1.msg", 1},
        {"hhtmsgreader__A_weekly_1.msg", 1},
        {"hhtmsgreader__A_monthly_1.msg", 1},
        {"hhtmsgreader__A_yearly_1.msg", 1},
        {"hhtmsgreader__Appointment_sample_EST.msg", 1},
        {"hhtmsgreader__A_black_friday_wo_tz.msg", 1},
        {"hhtmsgreader__A_schedule.msg", 1},
        {"hhtmsgreader__Lanch_time_every_friday_in_2023_org.msg", 52},
        {"tika__testMSG_Appointment.msg", 1},
    };
    test::TempDir dir;
    for (const SampleCase& c : cases) {
        SCOPED_TRACE(c.file);
        PELLMARK_SAMPLE_OR_SKIP(path, std::string("msg/") + c.file);
        auto item = msgfile::readMsg(path);
        const fs::path ics = dir / (std::string(c.file) + ".ics");
        std::ofstream(ics, std::ios::binary) << icsOf(*item);
        expectIcalendarReads(ics);
        const auto expected = test::expectedOccurrences(*item);
        const auto found = occurrenceLines(icalJsOccurrences(ics));
        expectSameOccurrences(found, expected);
        EXPECT_EQ(expected.size(), c.instances);
    }
}

using formats::calendar::EndType;
using formats::calendar::minutesOf;
using formats::calendar::PatternType;
using formats::calendar::RecurFrequency;

constexpr uint32_t kSu = 1, kMo = 2, kTu = 4, kWe = 8, kTh = 16, kFr = 32, kSa = 64;
constexpr uint32_t kWeekdays = kMo | kTu | kWe | kTh | kFr;

std::vector<uint8_t> berlin() {
    return test::zoneDefinition(u"W. Europe Standard Time",
                                {{1601, -60, -60, {10, 0, 5, 3}, {3, 0, 5, 2}}});
}

// The southern hemisphere: daylight-saving time from October to April.
std::vector<uint8_t> sydney() {
    return test::zoneDefinition(u"AUS Eastern Standard Time",
                                {{1601, -600, -60, {4, 0, 1, 3}, {10, 0, 1, 2}}});
}

std::vector<uint8_t> tokyo() {
    return test::zoneDefinition(u"Tokyo Standard Time", {{1601, -540, 0, {}, {}}});
}

struct GeneratedCase {
    std::string subject;
    test::SeriesSpec series;
    std::vector<uint8_t> zone;  // empty: floating
    bool allDay = false;
    size_t instances = 0;  // over two years
};

// "Day 30, or the last day of a shorter month" needs BYSETPOS beside BYMONTHDAY, which ical.js
// (as libical) ignores: dateutil, which follows RFC 5545 there, expands that one.
constexpr const char* kThirtieth = "On the 30th, or February's last day";

test::SeriesSpec series(RecurFrequency frequency, PatternType type, uint32_t period,
                        int64_t startDate, uint32_t startMinute, uint32_t endMinute) {
    test::SeriesSpec s;
    s.frequency = frequency;
    s.patternType = type;
    s.period = period;
    s.startDate = startDate;
    s.startMinute = startMinute;
    s.endMinute = endMinute;
    return s;
}

test::SeriesSpec endingAfter(test::SeriesSpec s, uint32_t count) {
    s.endType = EndType::AfterCount;
    s.count = count;
    return s;
}

test::SeriesSpec endingOn(test::SeriesSpec s, int64_t lastDay) {
    s.endType = EndType::ByDate;
    s.endDate = lastDay;
    return s;
}

std::vector<GeneratedCase> generatedCases() {
    std::vector<GeneratedCase> cases;
    auto add = [&](std::string subject, test::SeriesSpec s, std::vector<uint8_t> zone,
                   size_t instances, bool allDay = false) {
        cases.push_back({std::move(subject), std::move(s), std::move(zone), allDay, instances});
    };
    // Across Berlin's change to summer time on 31 March.
    add("Every third day",
        endingAfter(series(RecurFrequency::Daily, PatternType::Day, 3, minutesOf(2024, 3, 22),
                           8 * 60, 8 * 60 + 30),
                    10),
        berlin(), 10);
    auto weekdays = endingAfter(series(RecurFrequency::Daily, PatternType::Week, 1,
                                       minutesOf(2024, 5, 30), 7 * 60, 7 * 60 + 15),
                                8);
    weekdays.daysOfWeek = kWeekdays;
    add("Every weekday", weekdays, tokyo(), 8);
    // Weeks from Monday: the Sunday after a Tuesday is in its week, and every other week
    // pairs them so; Sydney leaves summer time in April and starts it again in October.
    auto fortnightly = endingOn(series(RecurFrequency::Weekly, PatternType::Week, 2,
                                       minutesOf(2024, 3, 26), 18 * 60, 19 * 60),
                                minutesOf(2024, 10, 31));
    fortnightly.daysOfWeek = kSu | kTu;
    fortnightly.firstDayOfWeek = 1;
    add("Sunday and Tuesday, every other week", fortnightly, sydney(), 32);
    auto thirtyFirst = endingAfter(series(RecurFrequency::Monthly, PatternType::Month, 1,
                                          minutesOf(2024, 1, 31), 12 * 60, 13 * 60),
                                   12);
    thirtyFirst.dayOfMonth = 31;
    add("On the 31st, or the month's last day", thirtyFirst, tokyo(), 12);
    auto thirtieth = thirtyFirst;
    thirtieth.dayOfMonth = 30;
    thirtieth.startDate = minutesOf(2024, 1, 30);
    add(kThirtieth, thirtieth, tokyo(), 12);
    auto secondTuesday = series(RecurFrequency::Monthly, PatternType::MonthNth, 2,
                                minutesOf(2024, 1, 9), 10 * 60, 11 * 60);
    secondTuesday.daysOfWeek = kTu;
    secondTuesday.nth = 2;
    add("Second Tuesday of every other month, floating", secondTuesday, {}, 12);
    auto lastWeekday = endingOn(series(RecurFrequency::Monthly, PatternType::MonthNth, 1,
                                       minutesOf(2024, 1, 31), 16 * 60, 17 * 60),
                                minutesOf(2025, 6, 30));
    lastWeekday.daysOfWeek = kWeekdays;
    lastWeekday.nth = 5;
    add("Last weekday of the month", lastWeekday, berlin(), 18);
    auto firstWeekend = endingAfter(series(RecurFrequency::Monthly, PatternType::MonthNth, 1,
                                           minutesOf(2024, 6, 1), 9 * 60, 12 * 60),
                                    6);
    firstWeekend.daysOfWeek = kSa | kSu;
    firstWeekend.nth = 1;
    add("First weekend day", firstWeekend, berlin(), 6);
    auto monthEnd = endingAfter(series(RecurFrequency::Monthly, PatternType::MonthEnd, 1,
                                       minutesOf(2024, 1, 31), 17 * 60, 17 * 60 + 30),
                                6);
    monthEnd.dayOfMonth = 31;
    add("Month end", monthEnd, tokyo(), 6);
    auto leapDay = endingAfter(series(RecurFrequency::Yearly, PatternType::Month, 12,
                                      minutesOf(2024, 2, 29), 7 * 60, 7 * 60 + 15),
                               5);
    leapDay.dayOfMonth = 29;
    add("Leap day, or the last of February", leapDay, test::easternWithHistory(), 3);
    auto thanksgiving = endingOn(series(RecurFrequency::Yearly, PatternType::MonthNth, 12,
                                        minutesOf(2024, 11, 28), 0, 24 * 60),
                                 minutesOf(2030, 12, 31));
    thanksgiving.daysOfWeek = kTh;
    thanksgiving.nth = 4;
    add("Fourth Thursday of November", thanksgiving, {}, 3, true);
    // All day: one day deleted, one moved to the next.
    auto week = endingAfter(
        series(RecurFrequency::Daily, PatternType::Day, 1, minutesOf(2024, 7, 1), 0, 24 * 60), 7);
    week.deleted = {minutesOf(2024, 7, 3)};
    week.changes = {
        {minutesOf(2024, 7, 5), minutesOf(2024, 7, 8), minutesOf(2024, 7, 9), "Camp, later"}};
    add("Camp", week, {}, 6, true);
    return cases;
}

// The instances ics_summary.py (dateutil's rrule) expands for the event `subject`, each as
// "OCC local offset utc".
std::vector<std::string> dateutilOccurrences(const fs::path& ics, const std::string& subject) {
    const auto result = test::runPythonTool("ics_summary.py", test::shellQuote(ics.string()));
    std::vector<std::string> out;
    bool in = false;
    for (const std::string& line : linesOf(result.out)) {
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

// Every pattern kind, end kind and first day of the week, in zones north and south, without
// daylight-saving time and floating, all in one calendar file as a folder's export holds them.
TEST(IcsOccurrences, GeneratedSeriesExpandAsTheirBlobsSay) {
    skipWithoutReaders();
    formats::calendar::CalendarFile file;
    std::string whole(formats::calendar::calendarHead());
    std::map<std::string, std::vector<std::string>> expected;
    for (const GeneratedCase& c : generatedCases()) {
        auto item = test::seriesItem(c.subject, test::recurrenceBlob(c.series), c.zone, c.allDay);
        auto entry = file.entryOf(icsOf(item));
        file.keep(entry);
        whole += entry.text;
        expected[c.subject] = test::expectedOccurrences(item);
        EXPECT_EQ(expected[c.subject].size(), c.instances) << c.subject;
    }
    whole += formats::calendar::calendarTail();
    test::TempDir dir;
    std::ofstream(dir / "calendar.ics", std::ios::binary) << whole;
    expectIcalendarReads(dir / "calendar.ics");
    std::map<std::string, std::vector<std::string>> found;
    std::vector<std::string>* current = nullptr;
    for (const std::string& line : icalJsOccurrences(dir / "calendar.ics")) {
        if (line.starts_with("VEVENT ")) {
            current = &found[line.substr(line.find(' ', 7) + 1)];
        } else if (current && line.starts_with("OCC ")) {
            current->push_back(line);
        }
    }
    EXPECT_EQ(found.size(), expected.size());
    for (const auto& [subject, occurrences] : expected) {
        SCOPED_TRACE(subject);
        if (subject == kThirtieth) {
            expectSameOccurrences(dateutilOccurrences(dir / "calendar.ics", subject),
                                  dateutilForms(occurrences));
            continue;
        }
        expectSameOccurrences(found[subject], occurrences);
    }
}

// Every Monday at 09:00 in New York (a zone with its rules before and since 2007), never
// ending: 13 March 2023 deleted, 3 July moved to Wednesday, 6 November an hour later under a
// subject of its own. Over two years every other instance stays at 09:00 local, its UTC
// instant moving an hour at each change of daylight-saving time.
TEST(IcsOccurrences, WeeklyNewYorkMeetingKeepsItsHourAcrossBothChanges) {
    skipWithoutReaders();
    test::SeriesSpec s = series(RecurFrequency::Weekly, PatternType::Week, 1, minutesOf(2023, 1, 2),
                                9 * 60, 10 * 60);
    s.daysOfWeek = kMo;
    s.deleted = {minutesOf(2023, 3, 13)};
    s.changes = {
        {minutesOf(2023, 7, 3, 9), minutesOf(2023, 7, 5, 9), minutesOf(2023, 7, 5, 10), ""},
        {minutesOf(2023, 11, 6, 9), minutesOf(2023, 11, 6, 10), minutesOf(2023, 11, 6, 11),
         "Moved"}};
    const auto item =
        test::seriesItem("Standup", test::recurrenceBlob(s), test::easternWithHistory());
    test::TempDir dir;
    std::ofstream(dir / "standup.ics", std::ios::binary) << icsOf(item);
    expectIcalendarReads(dir / "standup.ics");
    const auto found = occurrenceLines(icalJsOccurrences(dir / "standup.ics"));
    expectSameOccurrences(found, test::expectedOccurrences(item));
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
