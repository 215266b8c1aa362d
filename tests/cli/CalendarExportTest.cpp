// Calendars as pellmark-mkpst writes them the way Outlook does (recurrences in a zone, deleted
// and changed instances with the messages that hold the changes, attachments, recurring tasks),
// through `pellmark-export --format ics`: one file per folder holding all of it, read back by
// Python's icalendar, and an item whose recurrence is damaged written without it and named.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "base/Base64.h"
#include "cli/ExportCommand.h"
#include "support/Readers.h"
#include "support/TestFiles.h"

namespace pellmark::cli {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCalendarJson = R"({
  "store": { "name": "Cal" },
  "folders": [
    { "name": "Calendar", "class": "IPF.Appointment", "messages": [
      { "kind": "appointment", "subject": "Stand-up", "timeZone": "Eastern Standard Time",
        "start": "2024-01-08T09:00:00", "end": "2024-01-08T09:15:00",
        "recurrence": { "type": "weekly", "days": ["MO"], "count": 20,
                        "deleted": ["2024-03-11"],
                        "exceptions": [ { "originalStart": "2024-03-18",
                                          "start": "2024-03-18T10:00:00",
                                          "end": "2024-03-18T10:15:00", "subject": "Moved",
                                          "body": "Moved for the audit" } ] },
        "attachments": [ { "name": "agenda.txt", "mime": "text/plain", "text": "1. news" } ] },
      { "kind": "appointment", "subject": "Damaged", "start": "2024-02-01T10:00:00Z",
        "end": "2024-02-01T11:00:00Z",
        "properties": [ { "set": "PSETID_Appointment", "id": "0x8216", "type": "binary",
                          "value": "BDAwMA==" } ] } ] },
    { "name": "Tasks", "class": "IPF.Task", "messages": [
      { "kind": "task", "subject": "Report", "start": "2024-01-05T00:00:00Z",
        "due": "2024-01-05T00:00:00Z",
        "recurrence": { "type": "monthly", "dayOfMonth": 5, "count": 12 } } ] }
  ]
})";

std::string unfolded(std::string ics) {
    for (size_t fold; (fold = ics.find("\r\n ")) != std::string::npos;) ics.erase(fold, 3);
    return ics;
}

size_t countOf(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(CalendarExport, AFolderIsOneCalendarWithItsChangesAttachmentsAndRecurringTasks) {
    test::TempDir dir;
    test::writeFile(dir / "cal.json", kCalendarJson);
    const auto made = test::runCommand(
        test::shellQuote((fs::path(PELLMARK_BINARY_DIR) / "tools/mkpst/pellmark-mkpst").string()) +
        " --quiet --from " + test::shellQuote((dir / "cal.json").string()) + " " +
        test::shellQuote((dir / "cal.pst").string()));
    ASSERT_EQ(made.status, 0) << made.out;
    std::ostringstream out, err;
    const int status =
        runExport({"ics", {}, (dir / "cal.pst").string(), (dir / "out").string(), false}, out, err);
    EXPECT_EQ(status, 0) << out.str() << err.str();
    EXPECT_NE(out.str().find("3 items written, 0 failed"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("1 items were written without what their format cannot hold of "
                             "them:\n  Cal\\Calendar\\Damaged: recurrence left out: "),
              std::string::npos)
        << out.str();

    const fs::path root = dir / "out" / "Converted Outlook PST" / "Cal";
    const std::string calendar = unfolded(test::readFile(root / "Calendar" / "Calendar.ics"));
    EXPECT_EQ(countOf(calendar, "BEGIN:VTIMEZONE"), 1u) << calendar;
    EXPECT_EQ(countOf(calendar, "BEGIN:VEVENT"), 3u);  // the series, its change, the damaged one
    EXPECT_NE(calendar.find("RRULE:FREQ=WEEKLY;BYDAY=MO;WKST=SU;COUNT=20"), std::string::npos)
        << calendar;
    EXPECT_NE(calendar.find("EXDATE;TZID=America/New_York:20240311T090000"), std::string::npos);
    EXPECT_NE(calendar.find("RECURRENCE-ID;TZID=America/New_York:20240318T090000"),
              std::string::npos);
    EXPECT_NE(calendar.find("DESCRIPTION:Moved for the audit\r\n"), std::string::npos);
    // The file, but not the message that holds the change.
    EXPECT_EQ(countOf(calendar, "ATTACH;"), 1u);
    EXPECT_NE(
        calendar.find(
            "FMTTYPE=text/plain;X-FILENAME=agenda.txt:" +
            base::base64Encode(std::span(reinterpret_cast<const uint8_t*>("1. news"), 7)) + "\r\n"),
        std::string::npos)
        << calendar;
    const std::string tasks = unfolded(test::readFile(root / "Tasks" / "Tasks.ics"));
    EXPECT_NE(tasks.find("RRULE:FREQ=MONTHLY;BYMONTHDAY=5;COUNT=12"), std::string::npos) << tasks;

    test::requireReader(test::Reader::Python);
    for (const char* file : {"Calendar/Calendar.ics", "Tasks/Tasks.ics"}) {
        const auto r =
            test::runPythonTool("ics_summary.py", test::shellQuote((root / file).string()));
        EXPECT_EQ(r.status, 0) << r.out;
        if (std::string(file).starts_with("Tasks")) {
            EXPECT_EQ(countOf(r.out, "\nOCC 2024-"), 12u) << r.out;
        } else {
            EXPECT_NE(r.out.find("OCC 2024-03-18T10:00 -0400"), std::string::npos) << r.out;
            EXPECT_EQ(r.out.find("OCC 2024-03-11"), std::string::npos) << r.out;
            EXPECT_EQ(countOf(r.out, "\nOCC "), 19u) << r.out;
        }
    }
}

}  // namespace
}  // namespace pellmark::cli
