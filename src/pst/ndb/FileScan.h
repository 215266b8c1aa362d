#pragma once
// What the file still holds beyond the reach of its B-trees. A page the trees replaced, and the
// blocks of a deleted node, stay where they were until their space is used again: read end to
// end, the file gives every intact leaf page of either tree and every block whose trailer
// agrees with its place. Where the allocation maps can be trusted, only what lies in the space
// they mark free is kept, so the scan holds no copy of the live trees.

#include <cstdint>
#include <optional>
#include <vector>

#include "pst/ndb/Ndb.h"

namespace pellmark::pst {

// A node entry found on a leaf page of the node B-tree, wherever that page lies.
struct ScannedNode {
    NodeEntry entry;
    BlockId page;  // of two pages, the one written later has the higher id
    uint64_t pageIb = 0;
    bool inFreeSpace = false;  // the allocation maps mark the page's space free
};

class FileScan final : public LostBlocks {
  public:
    // Reads the whole file once. Throws PstError(Io) when it cannot be read.
    explicit FileScan(const Ndb& ndb);

    // Every entry of the node pages kept, by node id, the newest page first.
    const std::vector<ScannedNode>& nodes() const { return nodes_; }
    // Where `bid` may lie: entries of block pages, the newest first, then blocks found by
    // their trailers.
    std::vector<BlockEntry> placesOf(BlockId bid) const override;
    // Whether the allocation maps mark the 64 bytes at `ib` free; nullopt where the file's
    // maps cannot tell (marked invalid, or a variant whose maps this reader does not read).
    std::optional<bool> freeAt(uint64_t ib) const;

  private:
    void readAllocationMaps(const Ndb& ndb);
    void scanChunk(const Ndb& ndb, uint64_t at, std::span<const uint8_t> chunk);
    bool keep(uint64_t ib) const { return freeAt(ib).value_or(true); }

    std::vector<ScannedNode> nodes_;
    struct Place {
        BlockEntry entry;
        uint64_t page;  // the page's id for index entries, 0 for a block found by its trailer
    };
    std::vector<Place> places_;    // by block key, then as placesOf() orders them
    std::vector<bool> allocated_;  // a bit per 64 bytes; empty when the maps cannot tell
};

}  // namespace pellmark::pst
