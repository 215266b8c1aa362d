// The .ics writer on the real Outlook appointments and task of the samples and on recurrences
// built here, each file read back by Python's icalendar (tests/scripts/ics_summary.py), its
// recurrence expanded by dateutil and its times checked in its own VTIMEZONE and in the IANA
// zone of the same name.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "PlainItem.h"
#include "formats/calendar/CalendarError.h"
#include "formats/calendar/CalendarFile.h"
#include "formats/calendar/CalendarTime.h"
#include "formats/calendar/IcsWriter.h"
#include "formats/calendar/Recurrence.h"
#include "mapi/Guid.h"
#include "mapi/NamedIds.h"
#include "mapi/Tags.h"
#include "msgfile/MsgFile.h"
#include "support/Readers.h"
#include "support/StringSink.h"

namespace pellmark {
namespace {

using formats::calendar::minutesOf;

std::string icsOf(const mapi::Item& item, std::vector<std::string>* problems = nullptr) {
    test::StringSink sink;
    auto found = formats::calendar::writeCalendar(item, sink);
    sink.flush();
    if (problems) *problems = found;
    return sink.out;
}

// What ics_summary.py shows of `ics`, its lines split.
std::vector<std::string> summaryOf(const std::string& ics) {
    test::TempDir dir;
    std::ofstream(dir / "item.ics", std::ios::binary) << ics;
    auto result =
        test::runPythonTool("ics_summary.py", test::shellQuote((dir / "item.ics").string()));
    EXPECT_EQ(result.status, 0) << ics;
    std::vector<std::string> lines;
    std::istringstream in(result.out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> linesStarting(const std::vector<std::string>& lines,
                                       const std::string& head) {
    std::vector<std::string> out;
    for (const auto& l : lines)
        if (l.rfind(head, 0) == 0) out.push_back(l);
    return out;
}

std::string firstLine(const std::vector<std::string>& lines, const std::string& head) {
    auto found = linesStarting(lines, head);
    return found.empty() ? "" : found.front();
}

// A time line is "NAME local offset utc iana-utc tzid": the item's own zone and the IANA zone
// must put it at the same instant.
void expectZonesAgree(const std::vector<std::string>& lines) {
    for (const auto& l : lines) {
        std::istringstream in(l);
        std::string name, local, offset, utc, iana;
        in >> name >> local >> offset >> utc >> iana;
        if (offset.size() == 5 && (offset[0] == '+' || offset[0] == '-') && iana != "-") {
            EXPECT_EQ(utc, iana) << l;
        }
    }
}

struct SampleCase {
    const char* file;
    const char* expect[4];  // lines the summary must hold
};

TEST(IcsSamples, OutlookAppointmentsAndTaskReadBackAsOutlookShowsThem) {
    test::requireReader(test::Reader::Python);
    const SampleCase cases[] = {
        {"hhtmsgreader__A_daily_1.msg",
         {"RRULE FREQ=WEEKLY;COUNT=1;BYDAY=MO,TU,WE,TH,FR", "DTSTART 2022-12-12 "}},
        {"hhtmsgreader__A_weekly_1.msg",
         {"RRULE FREQ=WEEKLY;COUNT=1;BYDAY=MO", "DTSTART 2022-12-12T16:00 +0900"}},
        {"hhtmsgreader__A_monthly_1.msg", {"RRULE FREQ=MONTHLY;COUNT=1;BYMONTHDAY=12"}},
        {"hhtmsgreader__A_yearly_1.msg", {"RRULE FREQ=YEARLY;COUNT=1;BYMONTHDAY=12;BYMONTH=12"}},
        {"hhtmsgreader__Appointment_sample_EST.msg",
         {"TZ America/New_York", "DTSTART 2022-12-04T08:00 -0500 2022-12-04T13:00"}},
        {"hhtmsgreader__A_black_friday_wo_tz.msg", {"DTSTART 2022-12-02 ", "DTEND 2022-12-03 "}},
        {"tika__testMSG_Appointment.msg",
         {"LOCATION under lazy dog", "DTSTART 2017-02-28T13:30 -0500",
          "ORGANIZER mailto:tallison@mitre.org"}},
        {"tika__testMSG_Task.msg",
         {"VTODO summary=Must jump over the lazy dog", "DUE 2017-03-10", "STATUS IN-PROCESS",
          "DTSTART 2017-02-19"}},
    };
    for (const SampleCase& c : cases) {
        SCOPED_TRACE(c.file);
        PELLMARK_SAMPLE_OR_SKIP(path, std::string("msg/") + c.file);
        auto item = msgfile::readMsg(path);
        std::vector<std::string> problems;
        const std::string ics = icsOf(*item, &problems);
        EXPECT_TRUE(problems.empty()) << problems.front();
        EXPECT_EQ(ics, icsOf(*item)) << "the same item gives the same bytes";
        auto lines = summaryOf(ics);
        for (const char* want : c.expect) {
            if (!want) break;
            EXPECT_NE(firstLine(lines, want), "") << want << "\n" << ics;
        }
        expectZonesAgree(lines);
    }
}

// Every Friday of 2023 at 12:00 Tokyo: 52 instances, each as the pattern in the blob says.
TEST(IcsSamples, WeeklyLunchExpandsToEveryFridayOf2023) {
    test::requireReader(test::Reader::Python);
    PELLMARK_SAMPLE_OR_SKIP(path, "msg/hhtmsgreader__Lanch_time_every_friday_in_2023_org.msg");
    auto item = msgfile::readMsg(path);
    auto blob = item->named(mapi::psetid::kAppointment, mapi::lid::kAppointmentRecur);
    ASSERT_TRUE(blob);
    auto recurrence = formats::calendar::parseAppointmentRecurrence(blob->bytes, item->codepage());
    EXPECT_EQ(recurrence.pattern.frequency, formats::calendar::RecurFrequency::Weekly);
    EXPECT_EQ(recurrence.pattern.daysOfWeek, 1u << 5);
    EXPECT_EQ(recurrence.startTimeOffset, 12u * 60);
    auto occurrences = linesStarting(summaryOf(icsOf(*item)), "OCC ");
    ASSERT_EQ(occurrences.size(), 52u);
    EXPECT_EQ(occurrences.front().substr(0, 27), "OCC 2023-01-06T12:00 +0900 ");
    EXPECT_EQ(occurrences.back().substr(0, 27), "OCC 2023-12-29T12:00 +0900 ");
    for (const auto& o : occurrences) EXPECT_NE(o.find("T12:00 +0900"), std::string::npos) << o;
}

// Little-endian bytes of a blob built by hand.
struct Blob {
    std::vector<uint8_t> bytes;
    Blob& u16(uint32_t v) {
        for (int i = 0; i < 2; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return *this;
    }
    Blob& u32(uint64_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return *this;
    }
    Blob& systemTime(uint16_t month, uint16_t dayOfWeek, uint16_t week, uint16_t hour) {
        return u16(0).u16(month).u16(dayOfWeek).u16(week).u16(hour).u16(0).u16(0).u16(0);
    }
};

// Eastern time as Windows defines it: from the second Sunday of March to the first of November
// (from 2007; `before2007`: the first Sunday of April to the last of October, as it was).
std::vector<uint8_t> easternDefinition(bool before2007 = false) {
    Blob b;
    const std::u16string name = u"Eastern Standard Time";
    b.bytes = {0x02, 0x01};
    b.u16(6 + 2 * name.size()).u16(2).u16(name.size());
    for (char16_t c : name) b.u16(c);
    b.u16(1);  // one rule
    b.bytes.push_back(0x02), b.bytes.push_back(0x01);
    b.u16(0x3E).u16(0x0002).u16(2007);  // size, effective, from 2007
    for (int i = 0; i < 14; ++i) b.bytes.push_back(0);
    b.u32(300).u32(0).u32(static_cast<uint32_t>(-60));
    if (before2007) {
        b.systemTime(10, 0, 5, 2).systemTime(4, 0, 1, 2);
    } else {
        b.systemTime(11, 0, 1, 2).systemTime(3, 0, 2, 2);
    }
    return b.bytes;
}

// Every Monday 09:00-10:00 from 2023-01-02, never ending; 2023-03-13 deleted, 2023-11-06 moved
// to 10:00 with a subject of its own.
std::vector<uint8_t> weeklyMondays() {
    const int64_t start = minutesOf(2023, 1, 2);
    const int64_t deleted = minutesOf(2023, 3, 13), moved = minutesOf(2023, 11, 6);
    const std::string subject = "Moved";
    Blob b;
    b.u16(0x3004).u16(0x3004).u16(0x200B).u16(0x0001).u16(0).u32(0).u32(1).u32(0);
    b.u32(1u << 1);                // Monday
    b.u32(0x2023).u32(10).u32(0);  // never ends; Sunday first
    b.u32(2).u32(deleted).u32(moved).u32(1).u32(moved);
    b.u32(start).u32(0x5AE980DF);
    b.u32(0x3006).u32(0x3009).u32(9 * 60).u32(10 * 60).u16(1);
    b.u32(moved + 10 * 60).u32(moved + 11 * 60).u32(moved + 9 * 60).u16(0x0001);
    b.u16(subject.size() + 1).u16(subject.size());
    for (char c : subject) b.bytes.push_back(static_cast<uint8_t>(c));
    b.u32(0);                // ReservedBlock1
    b.u32(4).u32(0).u32(0);  // change highlight, ReservedBlockEE1
    b.u32(moved + 10 * 60).u32(moved + 11 * 60).u32(moved + 9 * 60);
    b.u16(subject.size());
    for (char c : subject) b.u16(static_cast<uint8_t>(c));
    b.u32(0).u32(0);  // ReservedBlockEE2, ReservedBlock2
    return b.bytes;
}

test::PlainItem meetingItem(std::vector<uint8_t> recurrence,
                            std::vector<uint8_t> zone = easternDefinition()) {
    test::PlainItem item;
    item.set(mapi::makeTag(mapi::prop::kMessageClass, mapi::PropType::String8),
             {'I', 'P', 'M', '.', 'A', 'p', 'p', 'o', 'i', 'n', 't', 'm', 'e', 'n', 't'});
    item.set(mapi::makeTag(mapi::prop::kSubject, mapi::PropType::String8),
             {'S', 't', 'a', 'n', 'd'});
    uint16_t id = 0x8000;
    auto named = [&](uint32_t lid, std::vector<uint8_t> bytes) {
        item.names[id] = mapi::NamedProperty{mapi::psetid::kAppointment, false, lid, {}};
        item.set(mapi::makeTag(id++, mapi::PropType::Binary), std::move(bytes));
    };
    named(mapi::lid::kAppointmentRecur, std::move(recurrence));
    named(mapi::lid::kAppointmentTimeZoneDefinitionRecur, std::move(zone));
    return item;
}

TEST(IcsRecurrence, WeeklyNewYorkMeetingStaysAtNineAcrossBothDaylightSavingChanges) {
    test::requireReader(test::Reader::Python);
    const std::string ics = icsOf(meetingItem(weeklyMondays()));
    auto lines = summaryOf(ics);
    EXPECT_NE(firstLine(lines, "TZ America/New_York"), "") << ics;
    EXPECT_NE(firstLine(lines, "RRULE FREQ=WEEKLY;BYDAY=MO"), "") << ics;
    EXPECT_EQ(linesStarting(lines, "EXDATE"),
              std::vector<std::string>{"EXDATE 2023-03-13T09:00:00"});
    EXPECT_NE(firstLine(lines, "RECURRENCE-ID 2023-11-06T09:00 -0500"), "") << ics;
    EXPECT_NE(firstLine(lines, "VEVENT summary=Moved"), "");
    expectZonesAgree(lines);
    auto occurrences = linesStarting(lines, "OCC ");
    ASSERT_EQ(occurrences.size(), 60u);
    int winter = 0, summer = 0;
    for (const auto& o : occurrences) {
        SCOPED_TRACE(o);
        EXPECT_EQ(o.find("OCC 2023-03-13"), std::string::npos);
        if (o.find("2023-11-06") != std::string::npos) {
            EXPECT_EQ(o.substr(0, 27), "OCC 2023-11-06T10:00 -0500 ");
            continue;
        }
        EXPECT_EQ(o.substr(14, 6), "T09:00");
        winter += o.find(" -0500 ") != std::string::npos;
        summer += o.find(" -0400 ") != std::string::npos;
    }
    EXPECT_GT(winter, 0);
    EXPECT_GT(summer, 0);
    EXPECT_EQ(winter + summer, 59);
}

// A blob cut anywhere is an error the writer reports, and the event is still written. Blobs of
// older writers end before the extended exceptions (the last 44 bytes here): that cut is whole.
TEST(IcsRecurrence, DamagedBlobsLeaveTheRecurrenceOutAndNeverCrash) {
    const std::vector<uint8_t> whole = weeklyMondays();
    const size_t beforeExtended = whole.size() - 44;
    for (size_t size = 0; size + 4 < whole.size(); ++size) {
        if (size == beforeExtended) continue;
        SCOPED_TRACE(size);
        std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        if (size == 0) cut = {0xFF};
        EXPECT_THROW(formats::calendar::parseAppointmentRecurrence(cut, 1252),
                     formats::calendar::CalendarError);
        std::vector<std::string> problems;
        const std::string ics = icsOf(meetingItem(cut), &problems);
        EXPECT_FALSE(problems.empty());
        EXPECT_NE(ics.find("SUMMARY:Stand"), std::string::npos);
        EXPECT_EQ(ics.find("RRULE"), std::string::npos);
    }
    std::vector<uint8_t> hugeCount = whole;
    hugeCount[40] = 0xFF, hugeCount[41] = 0xFF;  // DeletedInstanceCount's high bytes
    EXPECT_THROW(formats::calendar::parseAppointmentRecurrence(hugeCount, 1252),
                 formats::calendar::CalendarError);
}

// A folder's calendar holds each zone once; a zone that another item defines under the same
// name with other rules is kept apart under a TZID of its own, and that item's times name it.
TEST(IcsCalendarFile, HoldsEachZoneOnceAndKeepsARivalZoneApart) {
    test::requireReader(test::Reader::Python);
    formats::calendar::CalendarFile file;
    std::string whole(formats::calendar::calendarHead());
    std::vector<std::string> entries;
    for (bool before2007 : {false, false, true, true}) {
        auto entry =
            file.entryOf(icsOf(meetingItem(weeklyMondays(), easternDefinition(before2007))));
        // An entry not kept (its write failed) leaves the file's zones as they were.
        auto again =
            file.entryOf(icsOf(meetingItem(weeklyMondays(), easternDefinition(before2007))));
        EXPECT_EQ(again.text, entry.text);
        file.keep(entry);
        whole += entry.text;
        entries.push_back(entry.text);
    }
    whole += formats::calendar::calendarTail();
    EXPECT_NE(entries[0].find("TZID:America/New_York\r\n"), std::string::npos) << entries[0];
    EXPECT_EQ(entries[1].find("BEGIN:VTIMEZONE"), std::string::npos) << entries[1];
    EXPECT_NE(entries[2].find("TZID:America/New_York (2)\r\n"), std::string::npos) << entries[2];
    EXPECT_NE(entries[2].find("DTSTART;TZID=America/New_York (2):20230102T090000"),
              std::string::npos)
        << entries[2];
    EXPECT_EQ(entries[2].find("TZID=America/New_York:"), std::string::npos) << entries[2];
    EXPECT_EQ(entries[3].find("BEGIN:VTIMEZONE"), std::string::npos) << entries[3];
    const auto lines = summaryOf(whole);
    EXPECT_EQ(linesStarting(lines, "VEVENT summary=Stand").size(), 4u) << whole;
    EXPECT_EQ(linesStarting(lines, "VEVENT summary=Moved").size(), 4u) << whole;
    EXPECT_THROW(file.entryOf("BEGIN:VEVENT\r\nEND:VEVENT\r\n"), formats::calendar::CalendarError);
}

// A meeting from another calendar program keeps that program's UID; others are known by the
// hex of their global object id.
TEST(IcsMeeting, UidIsTheOriginalProgramsWhereTheGlobalObjectIdCarriesIt) {
    std::vector<uint8_t> id = {0x04, 0x00, 0x00, 0x00, 0x82, 0x00, 0xE0, 0x00,
                               0x74, 0xC5, 0xB7, 0x10, 0x1A, 0x82, 0xE0, 0x08};
    id.resize(36, 0);
    const std::string mark = std::string("vCal-Uid\x01\x00\x00\x00", 12) + "abc-123@example.org";
    id.push_back(static_cast<uint8_t>(mark.size() + 1));
    id.insert(id.end(), {0, 0, 0});
    const std::vector<uint8_t> plain = id;
    id.insert(id.end(), mark.begin(), mark.end());
    id.push_back(0);
    for (const auto& [globalId, uid] : {std::pair{id, std::string("abc-123@example.org")},
                                        std::pair{plain, "040000008200E00074C5B7101A82E008" +
                                                             std::string(40, '0') + "20000000"}}) {
        test::PlainItem item = meetingItem(weeklyMondays());
        item.names[0x8100] =
            mapi::NamedProperty{mapi::psetid::kMeeting, false, mapi::lid::kGlobalObjectId, {}};
        item.set(mapi::makeTag(0x8100, mapi::PropType::Binary), globalId);
        std::string ics = icsOf(item);
        for (size_t fold; (fold = ics.find("\r\n ")) != std::string::npos;) ics.erase(fold, 3);
        EXPECT_NE(ics.find("\r\nUID:" + uid + "\r\n"), std::string::npos) << ics;
    }
}

}  // namespace
}  // namespace pellmark
