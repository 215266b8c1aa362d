#pragma once
// A new file written through a sink: buffered in large writes, its bytes counted and, when
// asked, hashed (SHA-256) as they are written, so that nothing is read back for a manifest.

#include <filesystem>
#include <memory>

#include "base/ByteSink.h"
#include "base/FileError.h"
#include "base/Sha256.h"

namespace pellmark::base {

namespace detail {
// The buffer a file sink writes through: the thread's, reused from file to file (an export
// writes many small files), or one of its own while another file of the thread holds that.
// A base of FileSink, so that it exists before the sink that refers to it.
class SinkBuffer {
  protected:
    SinkBuffer();
    ~SinkBuffer();
    std::string& sinkBuffer() { return *buffer_; }

  private:
    std::unique_ptr<std::string> own_;
    std::string* buffer_;
};
}  // namespace detail

class FileSink : private detail::SinkBuffer, public ByteSink {
  public:
    // Creates the file at `path`, or empties the one there (a scratch file of the caller's own);
    // throws FileError.
    FileSink(std::filesystem::path path, bool hash);
    ~FileSink() override;

    // Writes what is buffered and closes the file; throws FileError. The file stays.
    void finish() override;

    uint64_t bytes() const { return bytes_; }
    // The lower-case hex SHA-256 of what was written; after finish(), when hashing.
    std::string sha256();

  protected:
    void consume(std::string_view bytes) override;

  private:
    [[noreturn]] void fail(int error) const;

    std::filesystem::path path_;
    std::unique_ptr<Sha256> digest_;
    int fd_ = -1;
    uint64_t bytes_ = 0;
};

}  // namespace pellmark::base
