#pragma once
// The one exception type of the reader: a code, the file offset and the ids involved.
// "Absent" is never an error: lookups that may miss return std::optional.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace pellmark::pst {

enum class ErrorCode {
    Io,                  // the operating system refused a read
    NotAPst,             // wrong magic, empty or truncated header
    UnsupportedVersion,  // a format version this reader does not know
    BadHeader,           // header CRC or fields out of range
    OutOfBounds,         // an offset, size or count points outside its container
    BadPage,             // B-tree page: type, signature, CRC, back pointer or layout
    BadBlock,            // block: size, signature, back pointer or layout
    BadCrc,              // block or page CRC mismatch
    NotFound,            // a referenced node or block is missing from its B-tree
    Cycle,               // a tree or chain refers back to itself
    TooDeep,             // nesting beyond what the format allows
    BadHeap,             // heap-on-node structure
    BadTable,            // BTree-on-heap, property or table context
    BadProperty,         // a property value that cannot be decoded
    Decompress,          // zlib data of a compressed block
};

const char* errorCodeName(ErrorCode code);

class PstError : public std::runtime_error {
  public:
    static constexpr uint64_t kNoOffset = ~uint64_t{0};

    PstError(ErrorCode code, std::string what, uint64_t offset = kNoOffset, uint64_t bid = 0,
             uint32_t nid = 0);

    ErrorCode code() const noexcept { return code_; }
    uint64_t offset() const noexcept { return offset_; }
    uint64_t blockId() const noexcept { return bid_; }
    uint32_t nodeId() const noexcept { return nid_; }
    // The bare description, without the code and ids that what() adds.
    const std::string& detail() const noexcept { return detail_; }

  private:
    ErrorCode code_;
    uint64_t offset_;
    uint64_t bid_;
    uint32_t nid_;
    std::string detail_;
};

}  // namespace pellmark::pst
