#include "OutlookSeries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "formats/calendar/CalendarError.h"
#include "formats/calendar/CalendarTime.h"
#include "mapi/Guid.h"
#include "mapi/NamedIds.h"

namespace pellmark::test {

namespace {

using namespace formats::calendar;

constexpr int64_t kDay = kMinutesPerDay;

int64_t dayOf(int64_t minutes) {
    return minutes - ((minutes % kDay) + kDay) % kDay;
}

// The local midnights a pattern gives, in order, from its start date until `before`; the
// visitor returns whether to go on.
class PatternDays {
  public:
    PatternDays(const RecurrencePattern& p, int64_t before) : p_(p), before_(before) {}

    template <class Visit>
    void forEach(Visit&& visit) const {
        switch (p_.patternType) {
            case PatternType::Day:
                return daily(visit);
            case PatternType::Week:
                return weekly(visit);
            case PatternType::Month:
            case PatternType::MonthEnd:
            case PatternType::MonthNth:
                return monthly(visit);
            default:
                return;  // Hijri calendars are not counted here
        }
    }

  private:
    template <class Visit>
    void daily(Visit& visit) const {
        const int64_t step = std::max<int64_t>(p_.period, kDay);
        for (int64_t d = p_.startDate; d < before_ && visit(d); d += step) {
        }
    }

    // Weeks begin on the first day of the week; every period-th week from the start's.
    template <class Visit>
    void weekly(Visit& visit) const {
        const int64_t weekStart =
            p_.startDate - ((weekdayOf(p_.startDate) + 7 - p_.firstDayOfWeek) % 7) * kDay;
        const int64_t every = std::max<uint32_t>(p_.period, 1);
        for (int64_t week = weekStart; week < before_; week += every * 7 * kDay) {
            for (int64_t d = week; d < week + 7 * kDay; d += kDay) {
                if (d < p_.startDate || !(p_.daysOfWeek & (1u << weekdayOf(d)))) continue;
                if (d >= before_ || !visit(d)) return;
            }
        }
    }

    // The day of `year`/`month` the pattern names; 0 when it names none.
    unsigned dayIn(int year, unsigned month) const {
        const unsigned last = daysInMonth(year, month);
        if (p_.patternType == PatternType::MonthEnd) return last;
        if (p_.patternType == PatternType::Month)
            return std::clamp<unsigned>(p_.dayOfMonth, 1, last);
        std::vector<unsigned> days;  // MonthNth: the n-th of the month's days the mask names
        for (unsigned d = 1; d <= last; ++d) {
            if (p_.daysOfWeek & (1u << weekdayOf(minutesOf(year, month, d)))) days.push_back(d);
        }
        if (days.empty()) return 0;
        if (p_.nth >= 5) return days.back();
        return p_.nth == 0 || p_.nth > days.size() ? 0 : days[p_.nth - 1];
    }

    // Every period-th month from the start's (a yearly pattern's period is 12 times its years).
    template <class Visit>
    void monthly(Visit& visit) const {
        const CivilTime first = civilOf(p_.startDate);
        const int every = static_cast<int>(std::max<uint32_t>(p_.period, 1));
        for (int months = 0;; months += every) {
            const int index = static_cast<int>(first.month) - 1 + months;
            const int year = first.year + index / 12;
            const unsigned month = static_cast<unsigned>(index % 12) + 1;
            if (minutesOf(year, month, 1) >= before_) return;
            const unsigned day = dayIn(year, month);
            if (day == 0) continue;
            const int64_t d = minutesOf(year, month, day);
            if (d < p_.startDate) continue;
            if (d >= before_ || !visit(d)) return;
        }
    }

    const RecurrencePattern& p_;
    int64_t before_;
};

std::string twoDigits(unsigned n) {
    char text[8];
    std::snprintf(text, sizeof text, "%02u", n);
    return text;
}

std::string dateText(int64_t minutes) {
    const CivilTime t = civilOf(minutes);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", t.year, t.month, t.day);
    return text;
}

std::string clockText(int64_t minutes) {
    const CivilTime t = civilOf(minutes);
    return dateText(minutes) + "T" + twoDigits(t.hour) + ":" + twoDigits(t.minute);
}

std::string offsetText(int64_t minutes) {
    const auto a = static_cast<unsigned>(std::llabs(minutes));
    return (minutes < 0 ? "-" : "+") + twoDigits(a / 60) + twoDigits(a % 60);
}

std::optional<TimeZoneDefinition> definitionOf(const mapi::Item& item, uint32_t lid) {
    auto value = item.named(mapi::psetid::kAppointment, lid);
    if (!value || value->bytes.empty()) return std::nullopt;
    return parseTimeZoneDefinition(value->bytes);
}

// The item's zone: its recurrence's, else the start's, else the older single-rule structure.
std::optional<TimeZoneDefinition> zoneOf(const mapi::Item& item, bool recurring) {
    std::optional<TimeZoneDefinition> zone;
    if (recurring) zone = definitionOf(item, mapi::lid::kAppointmentTimeZoneDefinitionRecur);
    if (!zone) zone = definitionOf(item, mapi::lid::kAppointmentTimeZoneDefinitionStartDisplay);
    if (zone) return zone;
    auto value = item.named(mapi::psetid::kAppointment, mapi::lid::kTimeZoneStruct);
    if (value && !value->bytes.empty()) return parseTimeZoneStruct(value->bytes, "");
    return std::nullopt;
}

std::string occurrenceLine(const ItemClock& clock, const SeriesInstance& i) {
    std::string line = "OCC " + clock.text(i.start) + " " + clock.text(i.end);
    if (i.replaced) line += " replaces " + clock.text(i.originalStart);
    return line;
}

}  // namespace

int64_t plusYears(int64_t local, int years) {
    const CivilTime t = civilOf(local);
    const unsigned last = daysInMonth(t.year + years, t.month);
    const int64_t midnight = t.day <= last ? minutesOf(t.year + years, t.month, t.day)
                                           : minutesOf(t.year + years, t.month, last) + kDay;
    return midnight + t.hour * 60 + t.minute;
}

std::vector<SeriesInstance> seriesInstances(const AppointmentRecurrence& r, int64_t before) {
    const RecurrencePattern& p = r.pattern;
    std::vector<SeriesInstance> out;
    uint32_t counted = 0;
    PatternDays(p, dayOf(before) + kDay).forEach([&](int64_t day) {
        if (p.endType == EndType::AfterCount && counted >= p.occurrenceCount) return false;
        if (p.endType == EndType::ByDate && day > p.endDate) return false;
        const int64_t original = day + r.startTimeOffset;
        if (original >= before) return false;
        ++counted;
        SeriesInstance i{original, original, day + r.endTimeOffset, false};
        auto changed = std::find_if(r.exceptions.begin(), r.exceptions.end(),
                                    [&](const auto& e) { return dayOf(e.originalStart) == day; });
        if (changed != r.exceptions.end()) {
            i = {original, changed->start, changed->end, true};
        } else if (std::count(p.deletedDates.begin(), p.deletedDates.end(), day)) {
            return true;
        }
        out.push_back(i);
        return true;
    });
    return out;
}

std::string ItemClock::text(int64_t local) const {
    if (allDay) return dateText(local);
    if (floating) return clockText(local) + "/floating";
    const int64_t utc = toUtc(local);
    return clockText(utc) + "Z/" + clockText(local) + offsetText(local - utc);
}

ItemOccurrences occurrencesOf(const mapi::Item& item) {
    using mapi::psetid::kAppointment;
    ItemOccurrences out;
    ItemClock& clock = out.clock;
    auto subType = item.named(kAppointment, mapi::lid::kAppointmentSubType);
    clock.allDay = subType && subType->asBool().value_or(false);
    std::optional<AppointmentRecurrence> recurrence;
    if (auto blob = item.named(kAppointment, mapi::lid::kAppointmentRecur); blob)
        recurrence = parseAppointmentRecurrence(blob->bytes, item.codepage());
    clock.zone = zoneOf(item, recurrence.has_value());
    clock.floating = recurrence && !clock.zone;
    if (recurrence) {
        const int64_t first = recurrence->pattern.startDate + recurrence->startTimeOffset;
        out.instances = seriesInstances(*recurrence, plusYears(first, 2));
        return out;
    }
    auto start = item.named(kAppointment, mapi::lid::kAppointmentStartWhole);
    auto end = item.named(kAppointment, mapi::lid::kAppointmentEndWhole);
    if (!start || !start->asFileTime()) return out;
    SeriesInstance once;
    once.start = clock.toLocal(minutesOfFileTime(*start->asFileTime()));
    once.end = end && end->asFileTime() ? clock.toLocal(minutesOfFileTime(*end->asFileTime()))
                                        : once.start;
    out.instances.push_back(once);
    return out;
}

std::vector<std::string> expectedOccurrences(const mapi::Item& item) {
    const ItemOccurrences o = occurrencesOf(item);
    std::vector<std::string> lines;
    for (const SeriesInstance& i : o.instances) lines.push_back(occurrenceLine(o.clock, i));
    return lines;
}

std::map<std::string, std::vector<std::string>> occurrencesBySummary(const std::string& printed) {
    std::map<std::string, std::vector<std::string>> out;
    std::vector<std::string>* current = nullptr;
    std::istringstream in(printed);
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("VEVENT ") || line.starts_with("VTODO ")) {
            const size_t uidEnd = line.find(' ', line.find(' ') + 1);
            current = &out[uidEnd == std::string::npos ? "" : line.substr(uidEnd + 1)];
        } else if (current && line.starts_with("OCC ")) {
            current->push_back(line);
        }
    }
    return out;
}

void expectSameOccurrences(const std::vector<std::string>& found,
                           const std::vector<std::string>& expected) {
    for (size_t i = 0; i < std::min(found.size(), expected.size()); ++i) {
        ASSERT_EQ(found[i], expected[i]) << "instance " << i;
    }
    EXPECT_EQ(found.size(), expected.size());
}

}  // namespace pellmark::test
