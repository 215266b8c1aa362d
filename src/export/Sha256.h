#pragma once
// SHA-256 of written files, for the export's manifest. OpenSSL's, which uses the processor's
// SHA extensions where it has them, so hashing keeps up with the disk.

#include <string>

namespace pellmark::exporting {

// The lower-case hex SHA-256 of the file at `path`; throws WriteError when it cannot be read.
std::string sha256OfFile(const std::string& path);

}  // namespace pellmark::exporting
