#pragma once
// Writing GMime objects to files: GMime is set up once, lines end in CRLF as RFC 5322 wants,
// and any failure (a full disk, a damaged attachment read while encoding) throws.

#include <gmime/gmime.h>

#include <filesystem>

namespace pellmark::formats {

// Initialises GMime on first use; every MIME writer calls it before touching GMime.
void ensureGMime();

// Writes `object` (a message or a part, headers included) to `path`; throws SaveError, or the
// reader's error when reading an attachment failed.
void writeMimeFile(GMimeObject* object, const std::filesystem::path& path);

}  // namespace pellmark::formats
