#pragma once
// Appointments, meetings and tasks as iCalendar (RFC 5545): a VCALENDAR holding the item's
// time zones, its VEVENT (with its recurrence, deleted instances and one VEVENT per changed
// instance) or VTODO. The same item always gives the same bytes: DTSTAMP is the item's last
// change, not the time of writing.

#include <string>
#include <vector>

#include "base/ByteSink.h"
#include "mapi/Item.h"

namespace pellmark::formats::calendar {

// Writes `item` and returns what it could not express (a damaged recurrence or time zone: the
// event is then written without it); empty when the item was written whole.
std::vector<std::string> writeCalendar(const mapi::Item& item, base::ByteSink& sink);

}  // namespace pellmark::formats::calendar
