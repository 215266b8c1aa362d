#pragma once
// What an RTF body holds as text or HTML: the text an RTF reader shows, and the original
// HTML or plain text of a body Outlook made from HTML (\fromhtml1) or from text (\fromtext).
// Input is the decompressed RTF; output is UTF-8.

#include <optional>
#include <string>
#include <string_view>

#include "formats/body/RtfHeader.h"

namespace pellmark::formats {

// Whether the document was made from RTF, from HTML (\fromhtml1) or from plain text
// (\fromtext), as its header says. Not RTF at all reads as RtfOrigin::Rtf.
RtfOrigin rtfOrigin(std::string_view rtf);

// The HTML a \fromhtml1 document encapsulates ([MS-OXRTFEX]), exactly as it was, in UTF-8;
// nullopt for any other document.
std::optional<std::string> htmlFromRtf(std::string_view rtf);

// The plain text of an RTF document: what a reader shows, or for a \fromhtml1 document the
// text of the HTML it carries, or for a \fromtext document the text it was made from.
// Paragraphs and line breaks end with "\n".
std::string textFromRtf(std::string_view rtf);

}  // namespace pellmark::formats
