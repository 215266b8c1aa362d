#pragma once
// Header fields as the MIME writers write them: folded at blanks into lines of at most 78
// characters where the value allows (RFC 5322 2.2.3), text that is not ASCII in encoded words
// (RFC 2047), file names as parameters (RFC 2231) every reader finds.

#include <string>
#include <string_view>

#include "formats/mime/MimeAddress.h"

namespace pellmark::formats {

// Appends "name: value" and CRLF to `out`, folded at the blanks of `value`, which is ASCII ready
// to write (a result of the functions below, or text known to be ASCII). A structured value is
// never folded inside a quoted string: RFC 5322 allows it, but readers take the line break into
// the file name or display name.
enum class Fold { Structured, Unstructured };
void appendField(std::string& out, std::string_view name, std::string_view value,
                 Fold fold = Fold::Structured);

// Appends a field as a store kept it: its value unchanged, its folded lines (joined by "\n")
// ending in CRLF.
void appendRawField(std::string& out, std::string_view name, std::string_view value);

// Unstructured text (a subject): as it is when it is ASCII, else in encoded words.
std::string encodedText(std::string_view utf8);

// "name <addr-spec>", or the addr-spec alone; the name quoted or encoded as it needs.
std::string mailboxText(const Mailbox& box);

// "; name=value", the value quoted when it is no token.
std::string parameter(std::string_view name, std::string_view value);
// A file name as RFC 2231 gives it: plain when it is ASCII that fits a line, else
// name*=UTF-8''... with percent escapes, in continuations when long.
std::string fileNameParameter(std::string_view name, std::string_view utf8);
// A file name in encoded words inside quotes, the form readers before RFC 2231 understand;
// nothing for a name too long for one line.
std::string encodedWordParameter(std::string_view name, std::string_view utf8);

// Whether every byte is ASCII.
bool isAscii(std::string_view text);
// A character of an RFC 2045 token: printable ASCII but blanks and tspecials.
bool isTokenChar(char c);

}  // namespace pellmark::formats
