#pragma once
// The file being written. Data goes to a temporary file beside the target and is renamed over
// it only by commit(), so a failed or interrupted run never leaves a partial .pst behind.
// Sequential writes are buffered; a write elsewhere flushes first.

#include <cstdint>
#include <filesystem>

#include "pstwriter/ndb/ByteBuffer.h"

namespace pellmark::pstwriter {

class OutputFile {
  public:
    // Throws std::runtime_error when the temporary file cannot be created.
    explicit OutputFile(const std::filesystem::path& target);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void writeAt(uint64_t offset, ConstBytes data);
    // Flushes, sets the final size, and renames the temporary file onto the target.
    void commit(uint64_t finalSize);

  private:
    void flush();
    [[noreturn]] void fail(const char* what) const;

    std::filesystem::path target_;
    std::filesystem::path temp_;
    int fd_ = -1;
    bool committed_ = false;
    ByteVec buffer_;
    uint64_t bufferStart_ = 0;
};

}  // namespace pellmark::pstwriter
