#pragma once
// Outlook's calendar blobs written by hand for shaped cases: a recurrence (PidLidAppointmentRecur,
// [MS-OXOCAL] 2.2.1.44: the pattern, the instance times, exceptions with their 8-bit and wide
// subjects) and a time zone definition (2.2.1.41) of any rules, and an appointment that
// carries them.

#include <cstdint>
#include <string>
#include <vector>

#include "PlainItem.h"
#include "formats/calendar/Recurrence.h"

namespace pellmark::test {

// A transition as a SYSTEMTIME rule: the `week`-th (5: last) `dayOfWeek` of `month`, at `hour`.
struct ZoneTransition {
    uint16_t month = 0, dayOfWeek = 0, week = 0, hour = 0;
};

struct ZoneRule {
    uint16_t fromYear = 0;
    int32_t bias = 0;  // UTC = local + bias
    int32_t daylightBias = 0;
    ZoneTransition toStandard, toDaylight;  // month 0: no daylight-saving time
};

std::vector<uint8_t> zoneDefinition(const std::u16string& keyName,
                                    const std::vector<ZoneRule>& rules);
// Windows' Eastern Standard Time: from the first Sunday of April to the last of October until
// 2006, from the second Sunday of March to the first of November since.
std::vector<uint8_t> easternWithHistory();

// A series as Outlook stores it. Times are local minutes since 1601.
struct SeriesSpec {
    formats::calendar::RecurFrequency frequency = formats::calendar::RecurFrequency::Weekly;
    formats::calendar::PatternType patternType = formats::calendar::PatternType::Week;
    uint32_t period = 1;  // days for a daily series (stored in minutes), weeks, months
    uint32_t daysOfWeek = 0;
    uint32_t dayOfMonth = 0;
    uint32_t nth = 0;
    formats::calendar::EndType endType = formats::calendar::EndType::Never;
    uint32_t count = 10;
    int64_t endDate = 0;  // local midnight of the last day (EndType::ByDate)
    uint32_t firstDayOfWeek = 0;
    int64_t startDate = 0;                    // local midnight of the first instance
    uint32_t startMinute = 0, endMinute = 0;  // of the day
    std::vector<int64_t> deleted;             // local midnights

    struct Change {
        int64_t originalStart = 0;
        int64_t start = 0, end = 0;
        std::string subject;  // ASCII; empty: the series'
    };
    std::vector<Change> changes;
};

std::vector<uint8_t> recurrenceBlob(const SeriesSpec& spec);

// An IPM.Appointment named `subject` with `recurrence` and, unless empty, `zone` as its
// recurrence's time zone definition; all day when `allDay`.
PlainItem seriesItem(const std::string& subject, std::vector<uint8_t> recurrence,
                     std::vector<uint8_t> zone, bool allDay = false);

}  // namespace pellmark::test
