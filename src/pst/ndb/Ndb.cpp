#include "pst/ndb/Ndb.h"

#include <zlib.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "base/Crc32.h"

namespace pellmark::pst {
namespace {

// B-trees deeper than this do not occur: a level holds at least 15 entries and a file at most
// 2^64 bytes.
constexpr int kMaxTreeLevel = 16;

size_t alignUp(size_t n, size_t a) {
    return (n + a - 1) / a * a;
}

// The CRC and id of a page or block trailer ([MS-PST] 2.2.2.7.1, 2.2.2.8.1), which ANSI files
// store in the opposite order; both follow four bytes that differ between the two.
struct TrailerIds {
    uint32_t crc;
    uint64_t bid;
};
TrailerIds trailerIds(ByteView v, size_t trailer, Format format) {
    if (format == Format::Ansi) return {v.u32(trailer + 8), v.u32(trailer + 4)};
    return {v.u32(trailer + 4), v.u64(trailer + 8)};
}

}  // namespace

Ndb::Ndb(const std::filesystem::path& path, CacheLimits limits)
    : file_(path), pages_(limits.pageBytes), blocks_(limits.blockBytes) {
    if (file_.size() == 0) throw PstError(ErrorCode::NotAPst, "the file is empty", 0);
    std::vector<uint8_t> head(std::min<uint64_t>(Header::kReadSize, file_.size()));
    file_.read(0, head);
    header_ = Header::parse(head);
    traits_ = &FormatTraits::of(header_.format);
}

Ndb::PagePtr Ndb::readPage(const BlockRef& ref, Tree tree) const {
    if (auto hit = pages_.get(ref.ib)) return *hit;
    const FormatTraits& t = *traits_;
    if (ref.ib % 64 != 0) throw PstError(ErrorCode::BadPage, "misaligned page", ref.ib);
    std::vector<uint8_t> bytes(t.pageSize);
    file_.read(ref.ib, bytes);
    BlockId bid;
    auto page = parsePage(std::move(bytes), ref.ib, tree, bid);
    if (bid != ref.bid) {
        throw PstError(ErrorCode::BadPage, "page back pointer mismatch", ref.ib, ref.bid.value);
    }
    pages_.put(ref.ib, page, t.pageSize + sizeof(Page));
    return page;
}

std::shared_ptr<Ndb::Page> Ndb::parsePage(std::vector<uint8_t> bytes, uint64_t ib, Tree tree,
                                          BlockId& bid) const {
    const FormatTraits& t = *traits_;
    auto page = std::make_shared<Page>();
    page->bytes = std::move(bytes);
    ByteView v(page->bytes, ErrorCode::BadPage);
    const size_t tr = t.pageSize - t.pageTrailerSize;
    const uint8_t ptype = v.u8(tr);
    if (ptype != static_cast<uint8_t>(tree) || v.u8(tr + 1) != ptype) {
        throw PstError(ErrorCode::BadPage, "unexpected page type", ib);
    }
    const TrailerIds ids = trailerIds(v, tr, t.format);
    bid = BlockId(ids.bid);
    if (base::computeCrc(v.sub(0, tr)) != ids.crc) {
        throw PstError(ErrorCode::BadCrc, "page CRC mismatch", ib, ids.bid);
    }

    const size_t cnt = t.btEntriesSize;
    if (t.format == Format::Unicode4k) {
        page->count = v.u16(cnt);
        page->entrySize = v.u8(cnt + 4);
        page->level = v.u8(cnt + 5);
    } else {
        page->count = v.u8(cnt);
        page->entrySize = v.u8(cnt + 2);
        page->level = v.u8(cnt + 3);
    }
    const size_t leafSize = tree == Tree::Node ? t.nbtLeafSize : t.bbtLeafSize;
    const size_t expectSize = page->level == 0 ? leafSize : t.btBranchSize;
    // Some writers pad entries; an entry is never smaller than its structure.
    if (page->entrySize < expectSize || page->level > kMaxTreeLevel ||
        size_t{page->count} * page->entrySize > t.btEntriesSize) {
        throw PstError(ErrorCode::BadPage, "B-tree page layout", ib, ids.bid);
    }
    return page;
}

std::optional<std::pair<Ndb::PagePtr, size_t>> Ndb::lookup(Tree tree, uint64_t key) const {
    const size_t w = traits_->idSize;
    BlockRef ref = tree == Tree::Node ? header_.nbtRoot : header_.bbtRoot;
    int expectLevel = -1;
    for (int depth = 0; depth <= kMaxTreeLevel + 1; ++depth) {
        PagePtr page = readPage(ref, tree);
        if (expectLevel >= 0 && page->level != expectLevel) {
            throw PstError(ErrorCode::BadPage, "B-tree level mismatch", ref.ib, ref.bid.value);
        }
        ByteView v(page->bytes, ErrorCode::BadPage);
        auto keyAt = [&](size_t i) {
            uint64_t k = v.uint(i * page->entrySize, w);
            return tree == Tree::Block ? k & ~uint64_t{1} : (k & 0xFFFFFFFFu);
        };
        // The last entry whose key is not above the one sought.
        size_t lo = 0, hi = page->count;
        while (lo < hi) {
            size_t mid = lo + (hi - lo) / 2;
            if (keyAt(mid) <= key)
                lo = mid + 1;
            else
                hi = mid;
        }
        if (lo == 0) return std::nullopt;
        const size_t off = (lo - 1) * page->entrySize;
        if (page->level == 0) {
            if (keyAt(lo - 1) != key) return std::nullopt;
            return std::make_pair(page, off);
        }
        ref = {BlockId(v.uint(off + w, w)), v.uint(off + 2 * w, w)};
        expectLevel = page->level - 1;
    }
    throw PstError(ErrorCode::TooDeep, "B-tree deeper than allowed");
}

NodeEntry Ndb::nodeEntryAt(ByteView v, size_t off) const {
    const size_t w = traits_->idSize;
    NodeEntry e;
    e.nid = NodeId(static_cast<uint32_t>(v.uint(off, w)));
    e.bidData = BlockId(v.uint(off + w, w));
    e.bidSub = BlockId(v.uint(off + 2 * w, w));
    e.nidParent = NodeId(v.u32(off + 3 * w));
    return e;
}

BlockEntry Ndb::blockEntryAt(ByteView v, size_t off) const {
    const size_t w = traits_->idSize;
    BlockEntry e;
    e.bid = BlockId(v.uint(off, w));
    e.ib = v.uint(off + w, w);
    e.cb = v.u16(off + 2 * w);
    if (traits_->format == Format::Unicode4k) {
        e.cbInflated = v.u16(off + 2 * w + 2);
        e.refs = v.u16(off + 2 * w + 4);
    } else {
        e.cbInflated = e.cb;
        e.refs = v.u16(off + 2 * w + 2);
    }
    return e;
}

std::optional<NodeEntry> Ndb::findNode(NodeId nid) const {
    try {
        auto hit = lookup(Tree::Node, nid.value);
        if (!hit) return std::nullopt;
        return nodeEntryAt(ByteView(hit->first->bytes, ErrorCode::BadPage), hit->second);
    } catch (const PstError& error) {
        noteDamage(Tree::Node, error);
        const auto& nodes = salvage().nodes;
        auto it =
            std::lower_bound(nodes.begin(), nodes.end(), nid.value,
                             [](const NodeEntry& e, uint32_t key) { return e.nid.value < key; });
        if (it != nodes.end() && it->nid == nid) return *it;
        throw;
    }
}

std::optional<BlockEntry> Ndb::findBlock(BlockId bid) const {
    try {
        auto hit = lookup(Tree::Block, bid.key());
        if (!hit) return std::nullopt;
        return blockEntryAt(ByteView(hit->first->bytes, ErrorCode::BadPage), hit->second);
    } catch (const PstError& error) {
        noteDamage(Tree::Block, error);
        const auto& blocks = salvage().blocks;
        auto it =
            std::lower_bound(blocks.begin(), blocks.end(), bid.key(),
                             [](const BlockEntry& e, uint64_t key) { return e.bid.key() < key; });
        if (it != blocks.end() && it->bid.key() == bid.key()) return *it;
        throw;
    }
}

void Ndb::walk(Tree tree, const BlockRef& ref, int expectLevel,
               const std::function<bool(ByteView, size_t)>& visit, bool& go) const {
    PagePtr page = readPage(ref, tree);
    if (expectLevel >= 0 && page->level != expectLevel) {
        throw PstError(ErrorCode::BadPage, "B-tree level mismatch", ref.ib, ref.bid.value);
    }
    ByteView v(page->bytes, ErrorCode::BadPage);
    const size_t w = traits_->idSize;
    for (size_t i = 0; i < page->count && go; ++i) {
        const size_t off = i * page->entrySize;
        if (page->level == 0) {
            go = visit(v, off);
        } else {
            walk(tree, {BlockId(v.uint(off + w, w)), v.uint(off + 2 * w, w)}, page->level - 1,
                 visit, go);
        }
    }
}

void Ndb::forEachNode(const std::function<bool(const NodeEntry&)>& visit) const {
    // Entries are handed on as the leaf pages are read: nothing is held per node.
    bool go = true;
    try {
        walk(
            Tree::Node, header_.nbtRoot, -1,
            [&](ByteView v, size_t off) { return visit(nodeEntryAt(v, off)); }, go);
        return;
    } catch (const PstError& error) {
        noteDamage(Tree::Node, error);
    }
    // What the tree gave stands, and the file's leaf pages add what it did not give. Which ids it
    // gave is learnt by walking it again up to the same damage, only on this rare path.
    std::vector<uint32_t> given;
    bool again = true;
    try {
        walk(
            Tree::Node, header_.nbtRoot, -1,
            [&](ByteView v, size_t off) {
                given.push_back(nodeEntryAt(v, off).nid.value);
                return true;
            },
            again);
    } catch (const PstError&) {
    }
    std::sort(given.begin(), given.end());
    for (const NodeEntry& e : salvage().nodes) {
        if (std::binary_search(given.begin(), given.end(), e.nid.value)) continue;
        if (!visit(e)) return;
    }
}

void Ndb::noteDamage(Tree tree, const PstError& error) const {
    std::string what = std::string(tree == Tree::Node ? "node" : "block") + " index damaged (" +
                       error.what() + "); its entries are taken from the pages found in the file";
    std::lock_guard lock(damageMutex_);
    if (std::find(damage_.begin(), damage_.end(), what) == damage_.end()) {
        damage_.push_back(std::move(what));
    }
}

std::vector<std::string> Ndb::damage() const {
    std::lock_guard lock(damageMutex_);
    return damage_;
}

const Ndb::Salvage& Ndb::salvage() const {
    std::call_once(salvageOnce_, [this] { salvage_ = std::make_unique<Salvage>(scanPages()); });
    return *salvage_;
}

std::optional<LeafPage> Ndb::leafPageAt(std::vector<uint8_t> bytes, uint64_t ib) const {
    const FormatTraits& t = *traits_;
    const size_t tr = t.pageSize - t.pageTrailerSize;
    if (bytes.size() != t.pageSize) return std::nullopt;
    const uint8_t ptype = bytes[tr];
    if ((ptype != 0x80 && ptype != 0x81) || bytes[tr + 1] != ptype) return std::nullopt;
    const Tree tree = static_cast<Tree>(ptype);
    LeafPage leaf;
    std::shared_ptr<Page> page;
    try {
        page = parsePage(std::move(bytes), ib, tree, leaf.bid);
    } catch (const PstError&) {
        return std::nullopt;
    }
    ByteView v(page->bytes, ErrorCode::BadPage);
    if (page->level != 0 || v.u16(tr + 2) != computeSignature(ib, leaf.bid.value)) {
        return std::nullopt;
    }
    leaf.nodeTree = tree == Tree::Node;
    leaf.ib = ib;
    for (size_t i = 0; i < page->count; ++i) {
        const size_t e = i * page->entrySize;
        if (leaf.nodeTree) {
            leaf.nodes.push_back(nodeEntryAt(v, e));
        } else {
            leaf.blocks.push_back(blockEntryAt(v, e));
        }
    }
    return leaf;
}

Ndb::Salvage Ndb::scanPages() const {
    const FormatTraits& t = *traits_;
    struct Found {
        uint64_t key;
        BlockId page;
        size_t index;  // into the entries of its tree
    };
    Salvage s;
    std::vector<Found> nodeKeys, blockKeys;
    // Whole chunks of pages at a time; pages start on their own size's boundary.
    std::vector<uint8_t> chunk(256 * t.pageSize);
    for (uint64_t at = t.pageSize; at + t.pageSize <= file_.size(); at += chunk.size()) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(chunk.size(), file_.size() - at));
        file_.read(at, std::span(chunk.data(), n));
        for (size_t off = 0; off + t.pageSize <= n; off += t.pageSize) {
            auto leaf =
                leafPageAt({chunk.begin() + off, chunk.begin() + off + t.pageSize}, at + off);
            if (!leaf) continue;
            for (const NodeEntry& e : leaf->nodes) {
                nodeKeys.push_back({e.nid.value, leaf->bid, s.nodes.size()});
                s.nodes.push_back(e);
            }
            for (const BlockEntry& e : leaf->blocks) {
                blockKeys.push_back({e.bid.key(), leaf->bid, s.blocks.size()});
                s.blocks.push_back(e);
            }
        }
    }
    // Of an entry found on several pages (older copies stay in the file once a page is
    // rewritten), the newest page's wins.
    auto newest = [](std::vector<Found>& keys, auto& entries) {
        std::sort(keys.begin(), keys.end(), [](const Found& a, const Found& b) {
            return a.key != b.key ? a.key < b.key : a.page.value > b.page.value;
        });
        std::remove_reference_t<decltype(entries)> kept;
        for (size_t i = 0; i < keys.size(); ++i) {
            if (i == 0 || keys[i].key != keys[i - 1].key) kept.push_back(entries[keys[i].index]);
        }
        entries = std::move(kept);
    };
    newest(nodeKeys, s.nodes);
    newest(blockKeys, s.blocks);
    return s;
}

std::vector<uint8_t> Ndb::inflate(Bytes stored, size_t size, const BlockEntry& e) const {
    std::vector<uint8_t> out(size);
    uLongf outLen = static_cast<uLongf>(size);
    int rc = ::uncompress(out.data(), &outLen, stored.data(), static_cast<uLong>(stored.size()));
    if (rc != Z_OK || outLen != size) {
        throw PstError(ErrorCode::Decompress, "zlib data does not inflate to the recorded size",
                       e.ib, e.bid.value);
    }
    return out;
}

std::optional<BlockEntry> Ndb::locateBlock(BlockId bid, NodeId owner) const {
    std::optional<BlockEntry> entry;
    try {
        entry = findBlock(bid);
    } catch (const PstError&) {
        if (!lost_) throw;
    }
    if (entry || !lost_) return entry;
    // A block the tree lost: the first of its places that checks out.
    std::optional<PstError> failure;
    for (const BlockEntry& place : lost_->placesOf(bid)) {
        try {
            auto data = readBlockAt(place, owner);
            blocks_.put(bid.key(), data, data->size() + 64);
            return place;
        } catch (const PstError& error) {
            failure = error;
        }
    }
    if (failure) throw *failure;
    return std::nullopt;
}

BlockData Ndb::readBlock(BlockId bid, NodeId owner) const {
    if (auto hit = blocks_.get(bid.key())) return *hit;
    auto entry = locateBlock(bid, owner);
    if (!entry) {
        throw PstError(ErrorCode::NotFound, "block missing from the block B-tree",
                       PstError::kNoOffset, bid.value, owner.value);
    }
    if (auto hit = blocks_.get(bid.key())) return *hit;
    auto data = readBlockAt(*entry, owner);
    blocks_.put(bid.key(), data, data->size() + 64);
    return data;
}

BlockData Ndb::readBlockAt(const BlockEntry& e, NodeId owner) const {
    const FormatTraits& t = *traits_;
    const BlockId bid = e.bid;
    if (e.cb > t.maxBlockData || e.cbInflated > t.maxBlockData ||
        (t.format != Format::Unicode4k && e.cbInflated != e.cb)) {
        throw PstError(ErrorCode::BadBlock, "block size out of range", e.ib, bid.value,
                       owner.value);
    }
    const size_t alloc = alignUp(size_t{e.cb} + t.blockTrailerSize, t.blockAlign);
    std::vector<uint8_t> raw(alloc);
    file_.read(e.ib, raw);
    ByteView v(raw, ErrorCode::BadBlock);
    const size_t tr = alloc - t.blockTrailerSize;
    const auto [crc, trailerBid] = trailerIds(v, tr, t.format);
    if (v.u16(tr) != e.cb || BlockId(trailerBid) != bid ||
        v.u16(tr + 2) != computeSignature(e.ib, trailerBid & ~uint64_t{1})) {
        throw PstError(ErrorCode::BadBlock, "block trailer does not match its entry", e.ib,
                       bid.value, owner.value);
    }
    if (base::computeCrc(v.sub(0, e.cb)) != crc) {
        throw PstError(ErrorCode::BadCrc, "block CRC mismatch", e.ib, bid.value, owner.value);
    }
    if (e.cbInflated != e.cb) {
        raw = inflate(v.sub(0, e.cb), e.cbInflated, e);
    } else {
        raw.resize(e.cb);
    }
    if (!bid.internal()) decodeBlock(header_.crypt, raw, trailerBid);
    return std::make_shared<const std::vector<uint8_t>>(std::move(raw));
}

}  // namespace pellmark::pst
