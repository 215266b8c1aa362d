#pragma once
// An appointment's recurrence as Outlook keeps it in PidLidAppointmentRecur: the pattern (how
// often, which days, until when, which instances were deleted or moved) and the appointment's
// part (the time of day of each instance and the exceptions: instances whose subject, location,
// times or other fields differ). Tasks keep the pattern alone. Times are whole minutes since
// 1601 in the appointment's own zone. Layout: [MS-OXOCAL] 2.2.1.44.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pellmark::formats::calendar {

enum class RecurFrequency : uint16_t {
    Daily = 0x200A,
    Weekly = 0x200B,
    Monthly = 0x200C,
    Yearly = 0x200D,
};

enum class PatternType : uint16_t {
    Day = 0x0,
    Week = 0x1,
    Month = 0x2,
    MonthNth = 0x3,
    MonthEnd = 0x4,
    HjMonth = 0xA,
    HjMonthNth = 0xB,
    HjMonthEnd = 0xC,
};

enum class EndType { ByDate, AfterCount, Never };

struct RecurrencePattern {
    RecurFrequency frequency = RecurFrequency::Daily;
    PatternType patternType = PatternType::Day;
    uint16_t calendarType = 0;  // 0 or 1 Gregorian; others are calendars RRULE cannot say
    uint32_t firstDateTime = 0;
    // Daily: minutes between instances; weekly: weeks; monthly and yearly: months.
    uint32_t period = 0;
    uint32_t slidingFlag = 0;  // task recurrences that regenerate from completion
    uint32_t daysOfWeek = 0;   // bit 0 Sunday .. bit 6 Saturday (Week and MonthNth)
    uint32_t dayOfMonth = 0;   // Month
    uint32_t nth = 0;          // MonthNth: 1..4, 5 for the last
    EndType endType = EndType::Never;
    uint32_t occurrenceCount = 0;
    uint32_t firstDayOfWeek = 0;  // 0 Sunday .. 6 Saturday
    // Local midnights of the original dates of deleted instances (moved ones among them), and
    // of the dates modified instances now fall on.
    std::vector<int64_t> deletedDates;
    std::vector<int64_t> modifiedDates;
    int64_t startDate = 0;  // local midnight of the first instance
    int64_t endDate = 0;    // local midnight of the last (far future when it never ends)
};

// Which fields an exception overrides (ExceptionInfo's OverrideFlags).
namespace overrides {
inline constexpr uint16_t kSubject = 0x0001;
inline constexpr uint16_t kMeetingType = 0x0002;
inline constexpr uint16_t kReminderDelta = 0x0004;
inline constexpr uint16_t kReminder = 0x0008;
inline constexpr uint16_t kLocation = 0x0010;
inline constexpr uint16_t kBusyStatus = 0x0020;
inline constexpr uint16_t kAttachment = 0x0040;
inline constexpr uint16_t kSubType = 0x0080;
inline constexpr uint16_t kColor = 0x0100;
inline constexpr uint16_t kBody = 0x0200;  // the exception message holds its own body
}  // namespace overrides

struct RecurrenceException {
    int64_t start = 0;          // local
    int64_t end = 0;            // local
    int64_t originalStart = 0;  // local: the instance this one replaces
    uint16_t overrideFlags = 0;
    std::optional<std::string> subject;  // UTF-8
    std::optional<std::string> location;
    std::optional<uint32_t> meetingType;
    std::optional<int32_t> reminderDelta;  // minutes before the start
    std::optional<bool> reminderSet;
    std::optional<uint32_t> busyStatus;
    std::optional<bool> allDay;
};

struct AppointmentRecurrence {
    RecurrencePattern pattern;
    uint32_t startTimeOffset = 0;  // minutes after local midnight
    uint32_t endTimeOffset = 0;
    std::vector<RecurrenceException> exceptions;
};

// The pattern at the start of `blob`; throws CalendarError where it runs past the blob or its
RecurrencePattern parseRecurrencePattern(std::span<const uint8_t> blob);
// The whole PidLidAppointmentRecur value. 8-bit subjects and locations decode in `codepage`;
// the wide ones that later writers add take their place.
AppointmentRecurrence parseAppointmentRecurrence(std::span<const uint8_t> blob, uint32_t codepage);

}  // namespace pellmark::formats::calendar
