#pragma once
// Positional reads from the data file. The reader never maps or loads the whole file: it
// reads pages and blocks where the B-trees point, so memory does not grow with the file.

#include <cstdint>
#include <filesystem>
#include <span>

namespace pellmark::pst {

class File {
  public:
    // Throws PstError(Io) when the file cannot be opened or is not a regular file.
    explicit File(const std::filesystem::path& path);
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    uint64_t size() const noexcept { return size_; }
    // Fills `out` from `offset`; throws PstError(OutOfBounds) when the range passes the end of
    // the file and PstError(Io) when the system refuses the read.
    void read(uint64_t offset, std::span<uint8_t> out) const;

  private:
    int fd_ = -1;
    uint64_t size_ = 0;
};

}  // namespace pellmark::pst
