#pragma once
// An appointment's time zone as Outlook keeps it: a Windows zone name and its rules (the
// offsets from UTC and when daylight-saving time starts and ends, from a given year on), read
// from a time zone definition (PidLidAppointmentTimeZoneDefinition*, [MS-OXOCAL] 2.2.1.41) or
// from the older single-rule structure (PidLidTimeZoneStruct, 2.2.1.39). Converts the
// appointment's local times to UTC and back by those rules, and names the IANA zone of the
// Windows name where ICU knows one.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pellmark::formats::calendar {

// A transition as SYSTEMTIME holds it: in a rule (year 0), the `day`th (1..4, 5 for the last)
// `dayOfWeek` of `month` at the given local time; with a year, that one date.
struct Transition {
    uint16_t year = 0;
    uint16_t month = 0;  // 0: no transition
    uint16_t dayOfWeek = 0;
    uint16_t day = 0;
    uint16_t hour = 0;
    uint16_t minute = 0;
};

struct TimeZoneRule {
    uint16_t fromYear = 0;  // the first year it holds for (0: every year)
    int32_t bias = 0;       // UTC = local + bias, in minutes
    int32_t standardBias = 0;
    int32_t daylightBias = 0;
    Transition toStandard;  // in daylight time
    Transition toDaylight;  // in standard time

    bool hasDaylight() const { return toStandard.month != 0 && toDaylight.month != 0; }
    // Minutes east of UTC.
    int standardOffset() const { return -(bias + standardBias); }
    int daylightOffset() const { return -(bias + daylightBias); }
};

struct TimeZoneDefinition {
    std::string keyName;              // the Windows name: "Eastern Standard Time"
    std::vector<TimeZoneRule> rules;  // by fromYear, at least one

    const TimeZoneRule& ruleFor(int year) const;
    bool isDaylightAtUtc(int64_t utcMinutes) const;
    int offsetAtUtc(int64_t utcMinutes) const;
    int64_t toLocal(int64_t utcMinutes) const { return utcMinutes + offsetAtUtc(utcMinutes); }
    // A local time to UTC; a time that falls twice is taken in daylight time, one that does
    // not fall at all by the standard offset.
    int64_t toUtc(int64_t localMinutes) const;
};

// The local wall-clock minute (since 1601) at which `t` falls in `year`.
int64_t transitionIn(int year, const Transition& t);

TimeZoneDefinition parseTimeZoneDefinition(std::span<const uint8_t> blob);
TimeZoneDefinition parseTimeZoneStruct(std::span<const uint8_t> blob, std::string keyName);
// The IANA name of a Windows zone name ("America/New_York"), nullopt where ICU has none.
std::optional<std::string> ianaZoneOf(std::string_view windowsName);

}  // namespace pellmark::formats::calendar
