#pragma once
// Text from a mailbox made safe for a terminal line: names and subjects may hold line breaks,
// escape sequences or bidirectional overrides that would forge or hide what is printed.

#include <string>
#include <string_view>

namespace pellmark::base {

// `text` with C0 and C1 control characters, DEL and the bidirectional controls (U+200E,
// U+200F, U+202A to U+202E, U+2066 to U+2069) written as escapes: \t, \n, \r, \xNN, \u{NNNN}.
// Everything else, backslashes included, is kept as it is.
std::string printable(std::string_view text);

// printable() with every backslash doubled too, for the fields of lines that programs read:
// each escape then reads one way, and "\t" is never a backslash followed by a "t".
std::string printableField(std::string_view text);

}  // namespace pellmark::base
