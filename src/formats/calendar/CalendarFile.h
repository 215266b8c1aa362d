#pragma once
// A folder's items in one iCalendar file: one VCALENDAR that holds every item's components and
// each time zone once. Items are written one by one as whole calendars (IcsWriter) and joined
// here: the head and tail of each are dropped, and of its VTIMEZONEs only those the file does
// not hold yet are kept. A zone whose TZID the file holds with other rules (two items written
// under different rules for the same zone) is kept under a TZID of its own, and the item's
// times name that one.

#include <map>
#include <string>
#include <string_view>

namespace pellmark::formats::calendar {

// The lines before the first item and after the last.
std::string_view calendarHead();
std::string_view calendarTail();

class CalendarFile {
  public:
    struct Entry {
        std::string text;
        std::map<std::string, std::string> zones;  // those the file gains with it
    };
    // The part of the file that holds `item`, a whole VCALENDAR as the iCalendar writer writes
    // it: its components, after the zones they use that the file does not hold. Throws
    // CalendarError when `item` is not one VCALENDAR.
    Entry entryOf(std::string_view item) const;
    // The entry is in the file: its zones are held from now on.
    void keep(Entry& entry);

  private:
    // TZID -> the VTIMEZONE the file holds under it.
    std::map<std::string, std::string> zones_;
};

}  // namespace pellmark::formats::calendar
