#pragma once
// Windows time zones as Outlook stores them with an appointment: the zone's rules (offsets and
// daylight-saving transitions, year by year) taken from ICU's data for the IANA zone of the
// Windows name, and the three forms Outlook keeps them in: a time zone definition
// ([MS-OXOCAL] 2.2.1.41), the single-rule PidLidTimeZoneStruct (2.2.1.39) and a display text.

#include <string>
#include <string_view>

#include "formats/calendar/TimeZone.h"
#include "pstwriter/ndb/ByteBuffer.h"

namespace pellmark::pstwriter {

struct WindowsZone {
    // The rules by year: each rule holds from its fromYear to the next one's. Rules are derived
    // from ICU for 2000 to 2037; the first is stored as holding from 1601, as Outlook stores a
    // zone's oldest rule, and the last holds on.
    formats::calendar::TimeZoneDefinition definition;
    std::string description;  // "(UTC-05:00) Eastern Time (US & Canada)"
};

// The zone of a Windows name ("Eastern Standard Time") or of an IANA name ("America/New_York",
// stored under its Windows name); nullptr for a name neither knows. Zones are built once and
// kept for the life of the process.
const WindowsZone* windowsZone(std::string_view name);

// A time zone definition holding every rule of `zone`; the rule in force in `year` is marked
// effective, and for the definition of a recurrence also as the recurrence's current rule.
ByteVec zoneDefinitionBlob(const WindowsZone& zone, int year, bool forRecurrence);
// PidLidTimeZoneStruct: the rule in force in `year`.
ByteVec zoneStructBlob(const WindowsZone& zone, int year);

}  // namespace pellmark::pstwriter
