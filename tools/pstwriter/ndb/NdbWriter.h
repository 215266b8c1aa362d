#pragma once
// The node database as it is written ([MS-PST] 2.2): blocks with their trailers, encoding and
// CRCs go to the file as soon as they are made; the node and block B-tree entries stay in
// memory as compact records (8 bytes a block, 24 a node) and become B-tree pages, allocation
// maps and the header in finish().

#include <array>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "pst/io/Encoding.h"
#include "pst/ndb/Format.h"
#include "pst/ndb/Ids.h"
#include "pstwriter/ndb/ByteBuffer.h"
#include "pstwriter/ndb/OutputFile.h"
#include "pstwriter/ndb/SpaceMap.h"

namespace pellmark::pstwriter {

using pst::BlockId;
using pst::CryptMethod;
using pst::Format;
using pst::NodeId;
using pst::NodeType;

class NdbWriter {
  public:
    NdbWriter(const std::filesystem::path& target, Format format, CryptMethod crypt);

    Format format() const { return traits_.format; }
    bool unicode() const { return traits_.format != Format::Ansi; }
    bool is4k() const { return traits_.format == Format::Unicode4k; }
    const pst::FormatTraits& traits() const { return traits_; }
    size_t maxBlockData() const { return traits_.maxBlockData; }
    size_t idSize() const { return traits_.idSize; }

    // Writes one block and returns its id. Data blocks are encoded with the file's method;
    // internal blocks (data and subnode trees) never are.
    BlockId writeBlock(ConstBytes data, bool internal = false);
    void addNode(NodeId nid, BlockId data, BlockId sub, NodeId parent);

    // A node as a file leaves it once deleted: the node leaves the node B-tree and the blocks
    // written from `firstBlock` on (blockMark() before writing them) leave the block B-tree,
    // their space marked free but their bytes kept. The node's entry stays on a node index
    // page of its own in free space, as on the page a real file replaced when it deleted the
    // node; with `blockPages`, the blocks' entries stay on such block index pages too.
    size_t blockMark() const { return blocks_.size(); }
    void deleteNode(NodeId nid, size_t firstBlock, bool blockPages = true);

    // Bytes of the file written so far, for progress reports.
    uint64_t bytesWritten() const { return space_.end(); }
    // Writes the B-trees, the maps and the header, and puts the file in place.
    void finish();

  private:
    struct NodeRecord {
        uint32_t nid;
        uint32_t parent;
        uint64_t data;
        uint64_t sub;
    };
    // Blocks take ids 4, 8, 12, ... in the order they are written (pages take theirs after
    // the last block), so a block's id follows from its place and its record is 8 bytes.
    struct BlockRecord {
        uint32_t ib64;  // file offset in 64-byte units
        uint16_t cb;
        bool internal;
        bool freed = false;
        bool freedOnPage = false;  // its entry stays on a replaced block index page
    };
    static uint64_t blockId(size_t index, bool internal) {
        return 4 * (index + 1) | (internal ? 2 : 0);
    }
    struct PageRef {
        uint64_t key;
        uint64_t bid;
        uint64_t ib;
    };

    uint64_t nextBid() { return bidCounter_ += 4; }
    PageRef writePage(ConstBytes entries, size_t count, size_t entrySize, uint8_t level,
                      uint8_t ptype, uint64_t firstKey);
    uint64_t nbtEntry(ByteBuffer& e, const NodeRecord& r) const;
    void bbtTail(ByteBuffer& e, uint16_t cb, uint16_t refs) const;
    template <typename EntryFn>
    PageRef writeTree(size_t count, size_t leafSize, uint8_t ptype, EntryFn leafEntry);
    void writeDeleted();
    void writeHeader(const PageRef& nbt, const PageRef& bbt, const SpaceMap::Totals& maps);
    ByteVec headerBytes(const PageRef& nbt, const PageRef& bbt, const SpaceMap::Totals& maps) const;

    pst::FormatTraits traits_;
    CryptMethod crypt_;
    OutputFile out_;
    SpaceMap space_;
    uint64_t bidCounter_ = 0;
    std::vector<NodeRecord> nodes_;
    std::vector<BlockRecord> blocks_;
    std::vector<NodeRecord> deleted_;
    std::array<uint32_t, 32> nidHigh_{};  // highest index used per node type
    ByteVec scratch_;
};

}  // namespace pellmark::pstwriter
