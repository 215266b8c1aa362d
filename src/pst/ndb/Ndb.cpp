#include "pst/ndb/Ndb.h"

#include <zlib.h>

#include <string>

#include "pst/io/Crc.h"

namespace pellmark::pst {
namespace {

// B-trees deeper than this do not occur: a level holds at least 15 entries and a file at most
// 2^64 bytes.
constexpr int kMaxTreeLevel = 16;

uint16_t computeSignature(uint64_t ib, uint64_t bid) {
    ib ^= bid;
    return static_cast<uint16_t>(static_cast<uint16_t>(ib >> 16) ^ static_cast<uint16_t>(ib));
}

size_t alignUp(size_t n, size_t a) { return (n + a - 1) / a * a; }

}  // namespace

Ndb::Ndb(const std::filesystem::path& path, CacheLimits limits)
    : file_(path), pages_(limits.pageBytes), blocks_(limits.blockBytes) {
    if (file_.size() == 0) throw PstError(ErrorCode::NotAPst, "the file is empty", 0);
    std::vector<uint8_t> head(std::min<uint64_t>(Header::kReadSize, file_.size()));
    file_.read(0, head);
    header_ = Header::parse(head, file_.size());
    traits_ = &FormatTraits::of(header_.format);
}

Ndb::PagePtr Ndb::readPage(const BlockRef& ref, Tree tree) const {
    if (auto hit = pages_.get(ref.ib)) return *hit;
    const FormatTraits& t = *traits_;
    auto page = std::make_shared<Page>();
    page->bytes.resize(t.pageSize);
    if (ref.ib % 64 != 0) throw PstError(ErrorCode::BadPage, "misaligned page", ref.ib);
    file_.read(ref.ib, page->bytes);
    ByteView v(page->bytes, ErrorCode::BadPage);

    const size_t tr = t.pageSize - t.pageTrailerSize;
    const uint8_t ptype = v.u8(tr);
    if (ptype != static_cast<uint8_t>(tree) || v.u8(tr + 1) != ptype) {
        throw PstError(ErrorCode::BadPage, "unexpected page type", ref.ib, ref.bid.value);
    }
    uint64_t bid = 0;
    uint32_t crc = 0;
    if (t.format == Format::Ansi) {
        bid = v.u32(tr + 4);
        crc = v.u32(tr + 8);
    } else {
        crc = v.u32(tr + 4);
        bid = v.u64(tr + 8);
    }
    if (BlockId(bid) != ref.bid) {
        throw PstError(ErrorCode::BadPage, "page back pointer mismatch", ref.ib, ref.bid.value);
    }
    if (computeCrc(v.sub(0, tr)) != crc) {
        throw PstError(ErrorCode::BadCrc, "page CRC mismatch", ref.ib, ref.bid.value);
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
        throw PstError(ErrorCode::BadPage, "B-tree page layout", ref.ib, ref.bid.value);
    }
    pages_.put(ref.ib, page, t.pageSize + sizeof(Page));
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
            if (keyAt(mid) <= key) lo = mid + 1;
            else hi = mid;
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
    auto hit = lookup(Tree::Node, nid.value);
    if (!hit) return std::nullopt;
    return nodeEntryAt(ByteView(hit->first->bytes, ErrorCode::BadPage), hit->second);
}

std::optional<BlockEntry> Ndb::findBlock(BlockId bid) const {
    auto hit = lookup(Tree::Block, bid.key());
    if (!hit) return std::nullopt;
    return blockEntryAt(ByteView(hit->first->bytes, ErrorCode::BadPage), hit->second);
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
    bool go = true;
    walk(Tree::Node, header_.nbtRoot, -1,
         [&](ByteView v, size_t off) { return visit(nodeEntryAt(v, off)); }, go);
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

BlockData Ndb::readBlock(BlockId bid, NodeId owner) const {
    if (auto hit = blocks_.get(bid.key())) return *hit;
    auto entry = findBlock(bid);
    if (!entry) {
        throw PstError(ErrorCode::NotFound, "block missing from the block B-tree",
                       PstError::kNoOffset, bid.value, owner.value);
    }
    const FormatTraits& t = *traits_;
    const BlockEntry& e = *entry;
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
    uint64_t trailerBid = 0;
    uint32_t crc = 0;
    if (t.format == Format::Ansi) {
        trailerBid = v.u32(tr + 4);
        crc = v.u32(tr + 8);
    } else {
        crc = v.u32(tr + 4);
        trailerBid = v.u64(tr + 8);
    }
    if (v.u16(tr) != e.cb || BlockId(trailerBid) != bid ||
        v.u16(tr + 2) != computeSignature(e.ib, trailerBid & ~uint64_t{1})) {
        throw PstError(ErrorCode::BadBlock, "block trailer does not match its entry", e.ib,
                       bid.value, owner.value);
    }
    if (computeCrc(v.sub(0, e.cb)) != crc) {
        throw PstError(ErrorCode::BadCrc, "block CRC mismatch", e.ib, bid.value, owner.value);
    }
    if (e.cbInflated != e.cb) {
        raw = inflate(v.sub(0, e.cb), e.cbInflated, e);
    } else {
        raw.resize(e.cb);
    }
    if (!bid.internal()) decodeBlock(header_.crypt, raw, trailerBid);
    auto data = std::make_shared<const std::vector<uint8_t>>(std::move(raw));
    blocks_.put(bid.key(), data, data->size() + 64);
    return data;
}

}  // namespace pellmark::pst
