#pragma once
// A heap-on-node ([MS-PST] 2.3.1) written as it grows: allocations fill a block, and a full
// block goes to the file at once. The first block, whose header names the heap's root, and the
// latest bitmap block, whose fill levels look ahead, are held until finish().

#include <cstdint>
#include <optional>
#include <vector>

#include "pst/ltp/Heap.h"
#include "pstwriter/ndb/DataTree.h"
#include "pstwriter/ndb/NdbWriter.h"

namespace pellmark::pstwriter {

using pst::Heap;
using pst::Hid;

class HeapWriter {
  public:
    static constexpr size_t kMaxAllocation = 3580;

    HeapWriter(NdbWriter& ndb, uint8_t clientSig);

    Hid allocate(ConstBytes data);
    // Rewrites an allocation of the first block in place, with data of the same size.
    void patch(Hid hid, ConstBytes data);
    void setRoot(Hid hid) { root_ = hid; }
    // Writes what is held and returns the node's data block (or data tree).
    BlockId finish();

  private:
    struct Block {
        ByteVec bytes;
        std::vector<uint16_t> starts;
    };
    size_t headerSize(size_t index) const;
    bool isBitmap(size_t index) const { return index >= 8 && (index - 8) % 128 == 0; }
    void startBlock();
    void closeBlock();
    void writeHeld(size_t index, Block& block);
    void writeFillLevels(ByteVec& bytes, size_t at, size_t first, size_t count) const;

    NdbWriter& ndb_;
    uint8_t clientSig_;
    Hid root_ = 0;
    Block current_;
    size_t index_ = 0;
    std::optional<Block> first_;
    std::optional<Block> bitmap_;
    size_t bitmapIndex_ = 0;
    std::vector<LeafBlock> leaves_;
    std::vector<uint8_t> fillLevels_;
};

}  // namespace pellmark::pstwriter
