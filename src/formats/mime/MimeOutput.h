#pragma once
// Writing MIME entities, lines ending in CRLF as RFC 5322 wants: text bodies in the
// lightest transfer encoding that keeps them 7-bit, attachment data base64-encoded while it is
// read. Any failure (a full disk, a damaged attachment) throws; nothing is written short
// without an error.

#include <filesystem>
#include <string>
#include <string_view>

#include "base/ByteSink.h"
#include "formats/mime/MimePart.h"

namespace pellmark::formats {

// Initialises GMime on first use; every user of GMime's functions calls it first.
void ensureGMime();

// Writes `entity`, headers included, into `sink`; throws the sink's error, or the reader's
// when reading an attachment failed.
void writeMime(const MimePart& entity, base::ByteSink& sink);

// Text in CRLF lines as a body: 7bit when it allows (ASCII, no NUL, lines within RFC 5322's
// 998), base64 when quoted-printable would grow it more (mostly non-Latin text), else
// quoted-printable. Returns the encoding's name and sets `body`.
const char* encodeText(std::string_view crlfText, std::string& body);

// `crlfText` quoted-printable (RFC 2045 6.7): lines of at most 76 characters.
void appendQuotedPrintable(std::string& out, std::string_view crlfText);

}  // namespace pellmark::formats
