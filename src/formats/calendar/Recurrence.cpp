#include "formats/calendar/Recurrence.h"

#include "formats/calendar/BlobReader.h"
#include "mapi/CodepageText.h"

namespace pellmark::formats::calendar {

namespace {

constexpr uint16_t kPatternVersion = 0x3004;
constexpr uint32_t kWriterWithHighlight = 0x3009;
constexpr uint32_t kEndByDate = 0x2021;
constexpr uint32_t kEndAfterCount = 0x2022;

bool knownFrequency(uint16_t value) {
    return value >= static_cast<uint16_t>(RecurFrequency::Daily) &&
           value <= static_cast<uint16_t>(RecurFrequency::Yearly);
}

bool knownPatternType(uint16_t value) {
    return value <= 0x4 || (value >= 0xA && value <= 0xC);
}

std::vector<int64_t> readDates(BlobReader& in, const char* countField, const char* field) {
    uint32_t n = in.count(countField, 4);
    std::vector<int64_t> dates;
    dates.reserve(n);
    for (uint32_t i = 0; i < n; ++i) dates.push_back(in.u32(field));
    return dates;
}

RecurrencePattern readPattern(BlobReader& in) {
    RecurrencePattern p;
    if (in.u16("ReaderVersion") != kPatternVersion || in.u16("WriterVersion") != kPatternVersion)
        in.fail("ReaderVersion", "not a recurrence pattern version Outlook writes");
    uint16_t frequency = in.u16("RecurFrequency");
    if (!knownFrequency(frequency)) in.fail("RecurFrequency", "unknown frequency");
    p.frequency = static_cast<RecurFrequency>(frequency);
    uint16_t patternType = in.u16("PatternType");
    if (!knownPatternType(patternType)) in.fail("PatternType", "unknown pattern type");
    p.patternType = static_cast<PatternType>(patternType);
    p.calendarType = in.u16("CalendarType");
    p.firstDateTime = in.u32("FirstDateTime");
    p.period = in.u32("Period");
    p.slidingFlag = in.u32("SlidingFlag");
    switch (p.patternType) {
        case PatternType::Day:
            break;
        case PatternType::Week:
            p.daysOfWeek = in.u32("PatternTypeSpecific.Week");
            break;
        case PatternType::Month:
        case PatternType::MonthEnd:
        case PatternType::HjMonth:
        case PatternType::HjMonthEnd:
            p.dayOfMonth = in.u32("PatternTypeSpecific.Month");
            break;
        case PatternType::MonthNth:
        case PatternType::HjMonthNth:
            p.daysOfWeek = in.u32("PatternTypeSpecific.MonthNth.DayOfWeek");
            p.nth = in.u32("PatternTypeSpecific.MonthNth.N");
            break;
    }
    uint32_t endType = in.u32("EndType");
    p.endType = endType == kEndByDate       ? EndType::ByDate
                : endType == kEndAfterCount ? EndType::AfterCount
                                            : EndType::Never;
    p.occurrenceCount = in.u32("OccurrenceCount");
    p.firstDayOfWeek = in.u32("FirstDOW") % 7;
    p.deletedDates = readDates(in, "DeletedInstanceCount", "DeletedInstanceDates");
    p.modifiedDates = readDates(in, "ModifiedInstanceCount", "ModifiedInstanceDates");
    p.startDate = in.u32("StartDate");
    p.endDate = in.u32("EndDate");
    return p;
}

// An 8-bit string after its two lengths (the first counts the second and one more).
std::string readNarrow(BlobReader& in, const char* field, uint32_t codepage) {
    uint16_t length = in.u16(field);
    uint16_t length2 = in.u16(field);
    if (length != length2 + 1) in.fail(field, "the two lengths disagree");
    return mapi::codepageToUtf8(in.bytes(length2, field), codepage);
}

RecurrenceException readException(BlobReader& in, uint32_t codepage) {
    RecurrenceException e;
    e.start = in.u32("ExceptionInfo.StartDateTime");
    e.end = in.u32("ExceptionInfo.EndDateTime");
    e.originalStart = in.u32("ExceptionInfo.OriginalStartDate");
    e.overrideFlags = in.u16("ExceptionInfo.OverrideFlags");
    const uint16_t flags = e.overrideFlags;
    if (flags & overrides::kSubject) e.subject = readNarrow(in, "ExceptionInfo.Subject", codepage);
    if (flags & overrides::kMeetingType) e.meetingType = in.u32("ExceptionInfo.MeetingType");
    if (flags & overrides::kReminderDelta) e.reminderDelta = in.i32("ExceptionInfo.ReminderDelta");
    if (flags & overrides::kReminder) e.reminderSet = in.u32("ExceptionInfo.ReminderSet") != 0;
    if (flags & overrides::kLocation)
        e.location = readNarrow(in, "ExceptionInfo.Location", codepage);
    if (flags & overrides::kBusyStatus) e.busyStatus = in.u32("ExceptionInfo.BusyStatus");
    if (flags & overrides::kAttachment) in.skip(4, "ExceptionInfo.Attachment");
    if (flags & overrides::kSubType) e.allDay = in.u32("ExceptionInfo.SubType") != 0;
    if (flags & overrides::kColor) in.skip(4, "ExceptionInfo.AppointmentColor");
    return e;
}

std::string readWide(BlobReader& in, const char* field) {
    uint16_t chars = in.u16(field);
    return mapi::utf16ToUtf8(in.bytes(size_t{chars} * 2, field));
}

void skipSized(BlobReader& in, const char* field) {
    uint32_t size = in.u32(field);
    in.skip(size, field);
}

// The wide subject and location of exception `e`, which replace the 8-bit ones.
void readExtended(BlobReader& in, uint32_t writerVersion2, RecurrenceException& e) {
    if (writerVersion2 >= kWriterWithHighlight) skipSized(in, "ExtendedException.ChangeHighlight");
    skipSized(in, "ExtendedException.ReservedBlockEE1");
    if (!(e.overrideFlags & (overrides::kSubject | overrides::kLocation))) return;
    in.skip(12, "ExtendedException.StartDateTime");
    if (e.overrideFlags & overrides::kSubject)
        e.subject = readWide(in, "ExtendedException.WideCharSubject");
    if (e.overrideFlags & overrides::kLocation)
        e.location = readWide(in, "ExtendedException.WideCharLocation");
    skipSized(in, "ExtendedException.ReservedBlockEE2");
}

}  // namespace

RecurrencePattern parseRecurrencePattern(std::span<const uint8_t> blob) {
    BlobReader in(blob, "recurrence pattern");
    return readPattern(in);
}

AppointmentRecurrence parseAppointmentRecurrence(std::span<const uint8_t> blob, uint32_t codepage) {
    BlobReader in(blob, "appointment recurrence");
    AppointmentRecurrence r;
    r.pattern = readPattern(in);
    in.u32("ReaderVersion2");
    uint32_t writerVersion2 = in.u32("WriterVersion2");
    r.startTimeOffset = in.u32("StartTimeOffset");
    r.endTimeOffset = in.u32("EndTimeOffset");
    uint16_t exceptionCount = in.u16("ExceptionCount");
    // Each ExceptionInfo takes at least 14 bytes.
    if (exceptionCount > in.left() / 14) in.fail("ExceptionCount", "count runs past the end");
    r.exceptions.reserve(exceptionCount);
    for (uint16_t i = 0; i < exceptionCount; ++i)
        r.exceptions.push_back(readException(in, codepage));
    skipSized(in, "ReservedBlock1");
    // The extended exceptions came later: a blob may end before them, and the 8-bit fields stand.
    if (in.left() == 0) return r;
    for (RecurrenceException& e : r.exceptions) readExtended(in, writerVersion2, e);
    return r;
}

}  // namespace pellmark::formats::calendar
