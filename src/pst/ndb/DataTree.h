#pragma once
// A node's data as one stream ([MS-PST] 2.2.2.8.3.2): a single data block, or an XBLOCK /
// XXBLOCK tree of them. Leaves are located when the tree is opened (ids and sizes only); their
// bytes are read on demand through the block cache.

#include <cstdint>
#include <span>
#include <vector>

#include "pst/ndb/Ndb.h"

namespace pellmark::pst {

class DataTree {
  public:
    DataTree() = default;
    // An empty stream when `root` is null.
    DataTree(const Ndb& db, BlockId root, NodeId owner);

    uint64_t size() const { return size_; }
    size_t blockCount() const { return leaves_.size(); }
    uint64_t blockOffset(size_t i) const { return leaves_.at(i).offset; }
    uint32_t blockSize(size_t i) const { return leaves_.at(i).size; }
    BlockData block(size_t i) const;

    // Reads `out.size()` bytes from `offset`; throws PstError(OutOfBounds) past the end.
    void read(uint64_t offset, std::span<uint8_t> out) const;
    // The whole stream; throws PstError(OutOfBounds) when it is larger than `limit`.
    std::vector<uint8_t> readAll(uint64_t limit = uint64_t{1} << 31) const;

  private:
    struct Leaf {
        BlockId bid;
        uint64_t offset;
        uint32_t size;
    };
    void addLeaves(BlockId bid, int level, int expectLevel);
    size_t leafAt(uint64_t offset) const;

    const Ndb* db_ = nullptr;
    NodeId owner_;
    uint64_t size_ = 0;
    uint64_t expected_ = ~uint64_t{0};  // lcbTotal of the tree's top block
    std::vector<Leaf> leaves_;
};

}  // namespace pellmark::pst
