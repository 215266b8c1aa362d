// The real Outlook appointments of the samples as a calendar program expands them: ical.js
// (tests/scripts/ics_occurrences.js) reads each written .ics, registers its zones and lists
// every occurrence over two years, as UTC instants and local times; those must be, instance by
// instance, the series the item's own recurrence blob and time zone definition describe
// (OutlookSeries, counted out without the writer's RRULE code). Python's icalendar must read
// every file too. Generated series of every kind: tests/cli/CalendarExpansionTest.cpp.

#include <gtest/gtest.h>

#include <fstream>

#include "OutlookSeries.h"
#include "formats/calendar/IcsWriter.h"
#include "msgfile/MsgFile.h"
#include "support/Readers.h"
#include "support/StringSink.h"

namespace pellmark {
namespace {

namespace fs = std::filesystem;

struct SampleCase {
    const char* file;
    size_t instances;  // over two years, deleted ones left out
};

// Daily (every weekday), weekly, monthly, yearly, Eastern time, an all-day event without a
// zone, single appointments, every Friday of 2023.
TEST(IcsOccurrences, OutlookSamplesExpandAsTheirBlobsSay) {
    test::requireReader(test::Reader::Python);
    if (auto problem = test::readerProblem(test::Reader::IcalJs)) GTEST_SKIP() << *problem;
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
        {
            std::ofstream out(ics, std::ios::binary);
            test::StringSink sink;
            const auto problems = formats::calendar::writeCalendar(*item, sink);
            EXPECT_TRUE(problems.empty()) << problems.front();
            sink.flush();
            out << sink.out;
        }
        const auto summary = test::runPythonTool("ics_summary.py", test::shellQuote(ics.string()));
        EXPECT_EQ(summary.status, 0) << summary.out;
        const auto found = test::occurrencesBySummary(test::icalJsOccurrences(ics));
        ASSERT_EQ(found.size(), 1u);
        const auto expected = test::expectedOccurrences(*item);
        test::expectSameOccurrences(found.begin()->second, expected);
        EXPECT_EQ(expected.size(), c.instances);
    }
}

}  // namespace
}  // namespace pellmark
