#pragma once
// Recurring series as Outlook stores them: the rule (how often, which days, until when), the
// dates it gives, and the blobs that hold it: the bare RecurrencePattern of a task
// (PidLidTaskRecurrence, [MS-OXOTASK]) and the AppointmentRecurrencePattern of an appointment
// (PidLidAppointmentRecur, [MS-OXOCAL] 2.2.1.44) with its deleted and modified instances and
// their ExceptionInfo and ExtendedException parts. Dates and times here are local to the
// series' zone, in minutes since 1601-01-01 (days: whole days since then).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pstwriter/ndb/ByteBuffer.h"

namespace pellmark::pstwriter {

enum class RecurrenceKind { Daily, Weekly, Monthly, MonthNth, Yearly, YearlyNth };

struct RecurrenceRule {
    RecurrenceKind kind = RecurrenceKind::Daily;
    uint32_t interval = 1;    // days, weeks, months or years
    uint32_t days = 0;        // weekdays, bit 0 Sunday; for Daily, set for "every weekday"
    uint32_t dayOfMonth = 0;  // Monthly and Yearly: 1..31 (the last day in shorter months)
    uint32_t nth = 0;         // MonthNth and YearlyNth: 1..4, 5 for the last
    uint32_t month = 0;       // Yearly and YearlyNth: 1..12
    uint32_t firstDayOfWeek = 0;
    std::optional<int64_t> untilDay;  // the last day the series may fall on
    std::optional<uint32_t> count;    // neither: the series never ends
};

// The dates of a rule from a first day on: the series starts on the first day on or after
// `fromDay` that the rule gives, as Outlook starts it, and counts its periods from there.
class RecurrenceSeries {
  public:
    RecurrenceSeries(const RecurrenceRule& rule, int64_t fromDay);

    const RecurrenceRule& rule() const { return rule_; }
    int64_t firstDay() const { return first_; }
    // The last instance's day; nullopt for a series that never ends.
    std::optional<int64_t> lastDay() const { return last_; }
    // Instances of a series that ends; 0 for one that never does.
    uint32_t instanceCount() const { return count_; }
    bool isInstance(int64_t day) const;

  private:
    bool shapeMatches(int64_t day) const;
    bool periodMatches(int64_t day) const;
    void countInstances();

    RecurrenceRule rule_;
    int64_t first_ = 0;
    std::optional<int64_t> last_;
    uint32_t count_ = 0;
};

struct ExceptionFields {
    int64_t originalStart = 0;  // local minutes: the instance it replaces
    int64_t start = 0, end = 0;
    std::optional<std::string> subject, location;
    std::optional<int32_t> busyStatus;
    std::optional<bool> allDay;
    bool ownBody = false;  // its message holds a body of its own
};

// The RecurrencePattern of `series`: deleted and modified instance days, each list sorted.
ByteVec recurrencePatternBlob(const RecurrenceSeries& series, std::vector<int64_t> deletedDays,
                              std::vector<int64_t> modifiedDays);
// The AppointmentRecurrencePattern: instances from `startOffset` to `endOffset` minutes after
// their day's midnight; `deletedStarts` the original local starts of deleted instances.
// Subjects and locations are stored in `codepage` and again in UTF-16.
ByteVec appointmentRecurrenceBlob(const RecurrenceSeries& series, uint32_t startOffset,
                                  uint32_t endOffset, const std::vector<int64_t>& deletedStarts,
                                  std::vector<ExceptionFields> exceptions, int codepage);

// PidLidRecurrenceType: 1 daily, 2 weekly, 3 monthly, 4 yearly.
int32_t recurrenceTypeOf(RecurrenceKind kind);
// PidLidRecurrencePattern: the rule in words, as Outlook shows it ("every Monday from
// 9:00 AM to 10:00 AM"); without times for all-day series.
std::string recurrenceText(const RecurrenceRule& rule, std::optional<uint32_t> startOffset,
                           std::optional<uint32_t> endOffset);

}  // namespace pellmark::pstwriter
