#pragma once
// RTF written from text: whole documents for the .rtf save of a plain body, escaped
// fragments, and the header block inserted at the top of an existing RTF body.

#include <string>
#include <string_view>

namespace pellmark::formats {

// A complete RTF document showing the UTF-8 text: one paragraph per line, every character
// kept (\uN with a '?' fallback, surrogate pairs past U+FFFF).
std::string rtfFromText(std::string_view utf8);

// UTF-8 text as an RTF fragment: \ { } escaped, line ends as \par, tabs as \tab, control
// characters as \'hh, everything past ASCII as \uN?. Expects \uc1 in force.
std::string rtfEscape(std::string_view utf8);

// The document with `fragmentRtf` inserted where readers show it first: after the header
// groups (font and colour tables, style sheet, info, generator, list tables) and before the
// first body text, as a group of its own that resets paragraph and character formatting
// and ends with a paragraph break. In a document made from HTML it comes before the first
// \*\htmltag group, as plain RTF that every RTF reader shows, and the encapsulated HTML
// stays as it was. Throws BodyError when `rtf` is not an RTF document.
std::string insertRtfHeader(std::string_view rtf, std::string_view fragmentRtf);

}  // namespace pellmark::formats
