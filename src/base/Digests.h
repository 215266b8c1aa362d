#pragma once
// MD5, SHA-1 and SHA-256 of a file in one reading, as review platforms list them beside a
// document: MD5 and SHA-1 are what their deduplication and older tools compare, SHA-256 what
// the export's manifest keeps.

#include <string>

#include "base/FileError.h"

namespace pellmark::base {

struct FileDigests {
    std::string md5;  // lower-case hex, each
    std::string sha1;
    std::string sha256;
};

// The digests of the file at `path`; throws FileError when it cannot be read.
FileDigests digestsOfFile(const std::string& path);

}  // namespace pellmark::base
