#include "formats/calendar/IcsRules.h"

#include <cstdio>
#include <cstdlib>

#include "formats/calendar/CalendarTime.h"

namespace pellmark::formats::calendar {

namespace {

constexpr const char* kDays[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

std::string byDay(uint32_t mask) {
    std::string days;
    for (unsigned d = 0; d < 7; ++d) {
        if (!(mask & (1u << d))) continue;
        if (!days.empty()) days += ',';
        days += kDays[d];
    }
    return days;
}

// Outlook puts an instance of "day 30" on the last day of a shorter month. Where the months
// the rule visits are `shortest` to `longest` days long: the day itself when every one has it;
// the last day (-1) when none is longer, as day 31 of every month or 29 February is; else the
// largest of the month's days from the shortest up to that one. libical and ical.js (the
// readers of Evolution and Thunderbird) ignore BYSETPOS beside BYMONTHDAY and would show
// each of those days, so the set is written only where no plainer rule says the same.
std::string byMonthDay(uint32_t day, unsigned shortest, unsigned longest) {
    if (day <= shortest) return "BYMONTHDAY=" + std::to_string(day == 0 ? 1 : day);
    if (day >= longest) return "BYMONTHDAY=-1";
    std::string days = "BYMONTHDAY=" + std::to_string(shortest);
    for (uint32_t d = shortest + 1; d <= day; ++d) days += "," + std::to_string(d);
    return days + ";BYSETPOS=-1";
}

std::string nthDays(const RecurrencePattern& p) {
    std::string setPos = p.nth >= 5 ? "-1" : std::to_string(p.nth == 0 ? 1 : p.nth);
    return "BYDAY=" + byDay(p.daysOfWeek) + ";BYSETPOS=" + setPos;
}

std::string offsetText(int minutes) {
    char text[16];
    int a = std::abs(minutes);
    std::snprintf(text, sizeof text, "%c%02d%02d", minutes < 0 ? '-' : '+', a / 60, a % 60);
    return text;
}

std::string yearlyRule(const Transition& t) {
    std::string week = t.day >= 5 ? "-1" : std::to_string(t.day);
    return "FREQ=YEARLY;BYMONTH=" + std::to_string(t.month) + ";BYDAY=" + week + kDays[t.dayOfWeek];
}

// One STANDARD or DAYLIGHT part: from `startYear`, while the rule holds (until `lastYear`, or
// for good when it is 0). A rule that ends says how many years it holds (COUNT) rather than
// until when (UNTIL, which these parts must give in UTC and which readers such as Python's
// icalendar 4 cannot take beside a local DTSTART).
void writePart(IcsLines& out, const char* name, const Transition& at, int fromOffset, int toOffset,
               int startYear, int lastYear) {
    out.raw("BEGIN", name);
    out.raw("DTSTART", dateTimeText(transitionIn(startYear, at), false));
    out.raw("TZOFFSETFROM", offsetText(fromOffset));
    out.raw("TZOFFSETTO", offsetText(toOffset));
    if (at.year == 0) {
        std::string rule = yearlyRule(at);
        if (lastYear != 0) rule += ";COUNT=" + std::to_string(lastYear - startYear + 1);
        out.raw("RRULE", rule);
    }
    out.raw("END", name);
}

}  // namespace

std::optional<std::string> rruleOf(const RecurrencePattern& p, int64_t firstStart,
                                   const std::string& until) {
    if (p.patternType >= PatternType::HjMonth || p.calendarType > 1) return std::nullopt;
    std::string rule;
    uint32_t interval = p.period == 0 ? 1 : p.period;
    const unsigned month = civilOf(firstStart).month;
    switch (p.patternType) {
        case PatternType::Day:
            rule = "FREQ=DAILY";
            interval = p.period / kMinutesPerDay == 0 ? 1 : p.period / kMinutesPerDay;
            break;
        case PatternType::Week:
            rule = "FREQ=WEEKLY;BYDAY=" + byDay(p.daysOfWeek) + ";WKST=" + kDays[p.firstDayOfWeek];
            break;
        case PatternType::Month:
        case PatternType::MonthEnd:
        case PatternType::MonthNth: {
            bool yearly = p.frequency == RecurFrequency::Yearly;
            if (yearly) interval = interval / 12 == 0 ? 1 : interval / 12;
            rule = yearly ? "FREQ=YEARLY;BYMONTH=" + std::to_string(month) + ";" : "FREQ=MONTHLY;";
            // A year's month is as long in every year but February.
            const unsigned shortest = yearly ? daysInMonth(2023, month) : 28;
            const unsigned longest = yearly ? daysInMonth(2024, month) : 31;
            rule += p.patternType == PatternType::MonthNth ? nthDays(p)
                    : p.patternType == PatternType::MonthEnd
                        ? "BYMONTHDAY=-1"
                        : byMonthDay(p.dayOfMonth, shortest, longest);
            break;
        }
        default:
            return std::nullopt;
    }
    if (interval > 1) rule += ";INTERVAL=" + std::to_string(interval);
    if (p.endType == EndType::AfterCount) rule += ";COUNT=" + std::to_string(p.occurrenceCount);
    if (p.endType == EndType::ByDate) rule += ";UNTIL=" + until;
    return rule;
}

void writeVTimeZone(IcsLines& out, const TimeZoneDefinition& zone, const std::string& tzid) {
    out.raw("BEGIN", "VTIMEZONE");
    out.raw("TZID", tzid);
    for (size_t i = 0; i < zone.rules.size(); ++i) {
        const TimeZoneRule& rule = zone.rules[i];
        int startYear = i == 0 ? 1601 : rule.fromYear;
        int lastYear = i + 1 < zone.rules.size() ? zone.rules[i + 1].fromYear - 1 : 0;
        if (lastYear != 0 && lastYear < startYear)
            continue;  // a rule the next one replaces at once
        if (!rule.hasDaylight()) {
            out.raw("BEGIN", "STANDARD");
            out.raw("DTSTART", dateTimeText(minutesOf(startYear, 1, 1), false));
            out.raw("TZOFFSETFROM", offsetText(rule.standardOffset()));
            out.raw("TZOFFSETTO", offsetText(rule.standardOffset()));
            out.raw("END", "STANDARD");
            continue;
        }
        writePart(out, "STANDARD", rule.toStandard, rule.daylightOffset(), rule.standardOffset(),
                  startYear, lastYear);
        writePart(out, "DAYLIGHT", rule.toDaylight, rule.standardOffset(), rule.daylightOffset(),
                  startYear, lastYear);
    }
    out.raw("END", "VTIMEZONE");
}

}  // namespace pellmark::formats::calendar
