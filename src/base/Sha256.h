#pragma once
// SHA-256 of written files, for the export's manifest: of a file on disk, or of bytes as a writer
// writes them. OpenSSL's, which uses the processor's SHA extensions where it has them, so
// hashing keeps up with the disk.

#include <memory>
#include <string>
#include <string_view>

#include "base/FileError.h"

namespace pellmark::base {

// The lower-case hex SHA-256 of the file at `path`; throws FileError when it cannot be read.
std::string sha256OfFile(const std::string& path);

// SHA-256 of bytes as they are written, for files written in pieces (mbox entries).
class Sha256 {
  public:
    Sha256();  // throws FileError when SHA-256 is not available
    ~Sha256();
    void update(std::string_view bytes);
    // The lower-case hex digest; call once.
    std::string hex();

  private:
    struct Context;
    std::unique_ptr<Context> context_;
};

}  // namespace pellmark::base
