#pragma once
// A GMime stream that writes a file through one large buffer: a message goes out in a few
// write calls instead of one (plus a seek) per line or block, as GMime's own file streams do.
// Its flush does not force the file to disk; an export of thousands of items would wait on it.

#include <gmime/gmime.h>

#include <filesystem>

namespace pellmark::formats {

// A new write-only stream (one reference, the caller's) over the open file descriptor `fd`,
// which it owns and closes. Returns nullptr if the type cannot be made.
GMimeStream* newFileOutStream(int fd);

}  // namespace pellmark::formats
