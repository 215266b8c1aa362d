#pragma once
// The MIME parts the .eml and .mht writers assemble: UTF-8 text, attachment data streamed
// from the mail file, attached messages and multiparts. Text is put in CRLF lines and given
// the lightest transfer encoding that keeps it 7-bit; data is always base64, so bytes come back
// exactly. Non-ASCII file names go out per RFC 2231 (filename*) and, for readers that only
// know the older form, RFC 2047 (name).

#include <string>
#include <string_view>
#include <vector>

#include "formats/mime/MimePart.h"

namespace pellmark::formats {

// text/<subtype>; charset=utf-8.
MimePart textPart(const char* subtype, std::string_view utf8);

struct DataPartSpec {
    std::string fileName;   // may be empty
    std::string mimeType;   // as the item says; checked, and guessed from the name when unusable
    std::string contentId;  // with or without angle brackets; empty for none
    std::string contentLocation;  // RFC 2557; empty for none
    bool inlinePart = false;
    DataOpener open;
};
MimePart dataPart(const DataPartSpec& spec);

// A message: `body` with the message's header lines (`headers`) and MIME-Version in front.
MimePart messageEntity(const std::string& headers, MimePart body);
// message/rfc822 holding `message`, offered as an attachment named `fileName`.
MimePart messagePart(MimePart message, const std::string& fileName);

// multipart/<subtype> of `parts`, with a boundary of its own (drawn from the thread's
// MimeIdScope, never one that occurs in `parts`) and, when `type` is given, the type of its
// root (RFC 2387).
MimePart newMultipart(const char* subtype, std::vector<MimePart> parts, std::string_view type = {});
// The same, but a single part is returned as it is.
MimePart multipart(const char* subtype, std::vector<MimePart> parts, std::string_view type = {});

// "type/subtype" in lower case when `value` starts with a well-formed one, else empty.
std::string cleanMimeType(std::string_view value);

// Text from the item made safe for a header (ids, addresses, file names): control characters, line
// breaks above all, which would start a header of the item's choosing, become blanks.
std::string headerSafe(std::string_view text);
// A content id as Content-ID and cid: URLs write it: no angle brackets, printable ASCII only.
std::string contentIdOf(std::string_view id);

}  // namespace pellmark::formats
