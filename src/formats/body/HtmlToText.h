#pragma once
// HTML for people who read plain text: the readable text of an HTML body, and escaping of
// text for HTML pages.

#include <string>
#include <string_view>

namespace pellmark::formats {

// The text a browser would show, as plain UTF-8 text: script, style and head dropped; block
// elements and <br> break lines; whitespace collapsed as a browser does (kept inside <pre>);
// character references decoded; list items marked with "• " (or "1. " in ordered lists);
// table cells separated by tabs; links keep their text. Lines end with "\n".
std::string textFromHtml(std::string_view html);

// Text made safe for HTML element content and attribute values: & < > " ' escaped.
std::string escapeHtml(std::string_view text);

}  // namespace pellmark::formats
