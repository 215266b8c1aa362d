#pragma once
// The iCalendar forms of Outlook's rules: a recurrence pattern as an RRULE value, a time zone
// definition as a VTIMEZONE (a STANDARD and a DAYLIGHT part per rule, each rule holding from its
// year to the next rule's).

#include <cstdint>
#include <optional>
#include <string>

#include "formats/calendar/IcsLines.h"
#include "formats/calendar/Recurrence.h"
#include "formats/calendar/TimeZone.h"

namespace pellmark::formats::calendar {

// The RRULE value of `pattern` whose first instance starts at local `firstStart`; `until` is
// the UNTIL value as the caller writes it (UTC, a floating time or a date). nullopt for what an
// RRULE cannot say (a Hijri calendar).
std::optional<std::string> rruleOf(const RecurrencePattern& pattern, int64_t firstStart,
                                   const std::string& until);

void writeVTimeZone(IcsLines& out, const TimeZoneDefinition& zone, const std::string& tzid);

}  // namespace pellmark::formats::calendar
