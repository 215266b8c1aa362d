#pragma once
// Writes a file whole or not at all. A new file is written in place and removed unless
// commit() is called; a file that already exists is replaced only by commit(), from a
// temporary file beside it. Either way a failed save leaves no partial file at the path.

#include <filesystem>

#include "base/FileError.h"

namespace pellmark::base {

class AtomicFile {
  public:
    // Creates the temporary file; throws FileError when the directory refuses it.
    explicit AtomicFile(std::filesystem::path target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Where to write the content.
    const std::filesystem::path& tempPath() const { return temp_; }
    // Moves the content to the target; throws FileError when the rename fails.
    void commit();

  private:
    std::filesystem::path target_;
    std::filesystem::path temp_;
    bool inPlace_ = false;
    bool committed_ = false;
};

}  // namespace pellmark::base
