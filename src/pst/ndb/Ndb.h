#pragma once
// The node database layer ([MS-PST] 2.2): the header, the node and block B-trees, and block
// reads with their trailer, CRC, compression and encoding handled. Layers above see nodes
// and decoded block bytes only.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/LruCache.h"
#include "pst/io/File.h"
#include "pst/ndb/Header.h"

namespace pellmark::pst {

struct NodeEntry {
    NodeId nid;
    BlockId bidData;
    BlockId bidSub;
    NodeId nidParent;
};

struct BlockEntry {
    BlockId bid;
    uint64_t ib = 0;
    uint16_t cb = 0;          // bytes stored in the file
    uint16_t cbInflated = 0;  // bytes after decompression (equal to cb but in 4 KiB files)
    uint16_t refs = 0;
};

using BlockData = std::shared_ptr<const std::vector<uint8_t>>;

// An intact leaf page of either B-tree, read from the file wherever it lies.
struct LeafPage {
    bool nodeTree = false;
    BlockId bid;  // the page's own id: of two pages, the one written later has the higher
    uint64_t ib = 0;
    std::vector<NodeEntry> nodes;    // of a node B-tree page
    std::vector<BlockEntry> blocks;  // of a block B-tree page
};

// Where blocks the block B-tree no longer lists may still lie: places to try, in order, for a
// block the tree does not have. Only an Ndb that reads what the mailbox deleted is given one.
class LostBlocks {
  public:
    virtual ~LostBlocks() = default;
    virtual std::vector<BlockEntry> placesOf(BlockId bid) const = 0;
};

struct CacheLimits {
    size_t pageBytes = 4u << 20;
    size_t blockBytes = 8u << 20;
};

class Ndb {
  public:
    // Opens the file and reads its header; nothing else is read until asked for.
    explicit Ndb(const std::filesystem::path& path, CacheLimits limits = {});

    const Header& header() const { return header_; }
    const FormatTraits& traits() const { return *traits_; }
    uint64_t fileSize() const { return file_.size(); }
    // The file is shorter than its header says: a copy cut short.
    bool truncated() const { return file_.size() < header_.fileEof; }

    // Lookups that meet a damaged B-tree page go on with the entries of the leaf pages still
    // found in the file (see Salvage below), and note the damage; a key found in neither is
    // reported with the error that hid it, never taken as absent.
    std::optional<NodeEntry> findNode(NodeId nid) const;
    std::optional<BlockEntry> findBlock(BlockId bid) const;
    // Every node of the node B-tree in key order, as its pages are read; stops when `visit`
    // returns false. Where a page is damaged, the nodes the tree did not give follow, from the
    // leaf pages found in the file.
    void forEachNode(const std::function<bool(const NodeEntry&)>& visit) const;
    // The damage met so far, one sentence each, in the order met.
    std::vector<std::string> damage() const;

    // The entry of a block: findBlock's, or where the tree lacks it and lost blocks were
    // given (setLostBlocks), the first of their places whose block checks out.
    std::optional<BlockEntry> locateBlock(BlockId bid, NodeId owner = {}) const;
    // The decoded bytes of a block. Throws PstError(NotFound) for a block missing from the
    // block B-tree and (BadBlock, BadCrc, Decompress) for a damaged one. `owner` names the
    // node being read, for the error.
    BlockData readBlock(BlockId bid, NodeId owner = {}) const;
    // The block `entry` places, checked against its trailer and CRC like any other; not cached.
    BlockData readBlockAt(const BlockEntry& entry, NodeId owner = {}) const;

    // Blocks the block B-tree lacks are then looked for there; set before the first read.
    void setLostBlocks(std::shared_ptr<const LostBlocks> lost) { lost_ = std::move(lost); }
    // The page of `bytes`, read at `ib`, when it is an intact leaf page of either B-tree: its
    // trailer, CRC and signature agree with its place.
    std::optional<LeafPage> leafPageAt(std::vector<uint8_t> bytes, uint64_t ib) const;
    const File& file() const { return file_; }

  private:
    // Every leaf page of the two B-trees found by reading the file page by page, each checked
    // by its trailer, signature and CRC; of entries found more than once, the one on the
    // newest page (the highest page id) wins. Built once, when damage is first met.
    struct Salvage {
        std::vector<NodeEntry> nodes;    // by node id
        std::vector<BlockEntry> blocks;  // by block key
    };
    struct Page {
        std::vector<uint8_t> bytes;
        uint8_t level = 0;
        uint16_t count = 0;
        uint8_t entrySize = 0;
    };
    using PagePtr = std::shared_ptr<const Page>;
    enum class Tree : uint8_t { Node = 0x81, Block = 0x80 };

    PagePtr readPage(const BlockRef& ref, Tree tree) const;
    // The leaf entry whose key equals `key`, as bytes of the leaf page.
    std::optional<std::pair<PagePtr, size_t>> lookup(Tree tree, uint64_t key) const;
    void walk(Tree tree, const BlockRef& ref, int expectLevel,
              const std::function<bool(ByteView, size_t)>& visit, bool& go) const;
    NodeEntry nodeEntryAt(ByteView page, size_t off) const;
    BlockEntry blockEntryAt(ByteView page, size_t off) const;
    std::vector<uint8_t> inflate(Bytes stored, size_t size, const BlockEntry& e) const;
    // Checks `bytes`, read at `ib`, as a page of `tree` and reads its counters; throws
    // PstError(BadPage, BadCrc) when it is none. `bid` receives the page's own id.
    std::shared_ptr<Page> parsePage(std::vector<uint8_t> bytes, uint64_t ib, Tree tree,
                                    BlockId& bid) const;
    const Salvage& salvage() const;
    Salvage scanPages() const;
    void noteDamage(Tree tree, const PstError& error) const;

    File file_;
    Header header_;
    const FormatTraits* traits_;
    mutable base::LruCache<uint64_t, PagePtr> pages_;
    mutable base::LruCache<uint64_t, BlockData> blocks_;
    mutable std::once_flag salvageOnce_;
    mutable std::unique_ptr<Salvage> salvage_;
    mutable std::mutex damageMutex_;
    mutable std::vector<std::string> damage_;
    std::shared_ptr<const LostBlocks> lost_;
};

}  // namespace pellmark::pst
