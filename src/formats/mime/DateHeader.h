#pragma once
// Whether a Date field's value is a date-time every reader parses: RFC 5322 3.3 with the
// obsolete forms of 4.3 (no day of week, two-digit years, zone names, comments), nothing else.
// Readers differ widely in what they make of anything more: one takes the first date of a
// list, another shows the day the file was opened.

#include <string_view>

namespace pellmark::formats {

bool isRfc5322DateTime(std::string_view value);

}  // namespace pellmark::formats
