#pragma once
// The instances an appointment's recurrence stands for, counted out here day by day from the
// parsed pattern as Outlook lays a series out (every n days; the given days of every n-th
// week, weeks starting on the pattern's first day; day d, the last day or the n-th of some
// weekdays of every n-th month), never through an RRULE: what the .ics writer's rules must
// make a calendar program expand. Deleted instances are left out, changed ones replaced by
// their exception's times. Also the single occurrence of an item without a recurrence, and
// the texts in which tests/scripts/ics_occurrences.js prints what ical.js expands, so that
// the two compare line by line.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "formats/calendar/Recurrence.h"
#include "formats/calendar/TimeZone.h"
#include "mapi/Item.h"

namespace pellmark::test {

struct SeriesInstance {
    int64_t originalStart = 0;  // local minutes since 1601
    int64_t start = 0;
    int64_t end = 0;
    bool replaced = false;  // an exception's times
};

// The instances of `recurrence` whose original start lies before local `before`.
std::vector<SeriesInstance> seriesInstances(const formats::calendar::AppointmentRecurrence& r,
                                            int64_t before);

// How an item's times are shown: in a zone, floating, in UTC, or as dates.
struct ItemClock {
    std::optional<formats::calendar::TimeZoneDefinition> zone;
    bool floating = false;
    bool allDay = false;

    // "UTCZ/local+hhmm", "local/floating" or the date, as ics_occurrences.js writes a time.
    std::string text(int64_t local) const;
    int64_t toUtc(int64_t local) const { return zone ? zone->toUtc(local) : local; }
    int64_t toLocal(int64_t utc) const { return zone ? zone->toLocal(utc) : utc; }
};

// The occurrences of `item`, an appointment, as a calendar program shows them: for a series
// the instances whose original start lies within two years of its first, else its one
// occurrence; and the clock they are shown in.
struct ItemOccurrences {
    ItemClock clock;
    std::vector<SeriesInstance> instances;
};
ItemOccurrences occurrencesOf(const mapi::Item& item);

// What ics_occurrences.js must print for `item`: an "OCC" line for each of its occurrences.
std::vector<std::string> expectedOccurrences(const mapi::Item& item);

// What ics_occurrences.js printed, by event: each summary's "OCC" lines.
std::map<std::string, std::vector<std::string>> occurrencesBySummary(const std::string& printed);
// `found` equals `expected` line by line; a difference names the first instance that differs.
void expectSameOccurrences(const std::vector<std::string>& found,
                           const std::vector<std::string>& expected);

// Local civil time plus whole years, as calendar programs add them (29 February to 1 March).
int64_t plusYears(int64_t local, int years);

}  // namespace pellmark::test
