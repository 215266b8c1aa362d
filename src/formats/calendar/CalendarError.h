#pragma once
// What the calendar parsers throw when a blob does not hold what its layout says: a length or
// count that runs past the blob's end, a version they do not know. The iCalendar writer catches
// it and writes the item without the part that failed, naming what is missing.

#include <stdexcept>
#include <string>

namespace pellmark::formats::calendar {

class CalendarError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace pellmark::formats::calendar
