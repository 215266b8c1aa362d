#pragma once
// The MIME parts the .eml and .mht writers assemble: UTF-8 text, attachment data streamed
// from the mail file, attached messages and multiparts. Text is put in CRLF lines and given
// the lightest transfer encoding that keeps it 7-bit; data is always base64, so bytes come back
// exactly. Non-ASCII file names go out per RFC 2231 (filename*) and, for readers that only
// know the older form, RFC 2047 (name).

#include <gmime/gmime.h>

#include <string>
#include <string_view>
#include <vector>

#include "formats/mime/DataStream.h"
#include "formats/mime/GObjectPtr.h"

namespace pellmark::formats {

using PartPtr = GObjectPtr<GMimeObject>;

// text/<subtype>; charset=utf-8.
PartPtr textPart(const char* subtype, std::string_view utf8);

struct DataPartSpec {
    std::string fileName;   // may be empty
    std::string mimeType;   // as the item says; checked, and guessed from the name when unusable
    std::string contentId;  // with or without angle brackets; empty for none
    std::string contentLocation;  // RFC 2557; empty for none
    bool inlinePart = false;
    DataOpener open;
};
PartPtr dataPart(const DataPartSpec& spec);

// message/rfc822 holding `message`, offered as an attachment named `fileName`.
PartPtr messagePart(GMimeMessage* message, const std::string& fileName);

// A new, empty multipart/<subtype> (one reference, the caller's) with a boundary of its own.
GMimeMultipart* newMultipart(const char* subtype);
// multipart/<subtype> of `parts`; a single part is returned as it is.
PartPtr multipart(const char* subtype, std::vector<PartPtr> parts);

// "type/subtype" in lower case when `value` starts with a well-formed one, else empty.
std::string cleanMimeType(std::string_view value);

// Text from the item made safe for a header that GMime writes as it is (ids, addresses, ASCII
// file names): control characters, line breaks above all, which would start a header of the
// item's choosing, become blanks.
std::string headerSafe(std::string_view text);
// A content id as Content-ID and cid: URLs write it: no angle brackets, printable ASCII only.
std::string contentIdOf(std::string_view id);

}  // namespace pellmark::formats
