#include "pst/ndb/FileScan.h"

#include <algorithm>

namespace pellmark::pst {
namespace {

// An allocation map covers the 253,952 bytes from its own page on, a bit per 64 bytes, the
// most significant bit of a byte first ([MS-PST] 2.2.2.7.2).
constexpr uint64_t kFirstAMap = 0x4400;
constexpr uint64_t kAMapRange = 496 * 8 * 64;
constexpr uint8_t kAMapPageType = 0x84;
// Blocks lie after the header and its first maps.
constexpr uint64_t kFirstBlock = 0x4400;

size_t alignUp(size_t n, size_t a) {
    return (n + a - 1) / a * a;
}

}  // namespace

FileScan::FileScan(const Ndb& ndb) {
    readAllocationMaps(ndb);
    const FormatTraits& t = ndb.traits();
    // Chunks start on a page boundary, so that pages and block trailers (never larger than a
    // block's alignment) lie whole in one chunk.
    std::vector<uint8_t> chunk(256 * t.pageSize);
    const uint64_t size = ndb.fileSize();
    for (uint64_t at = 0; at < size; at += chunk.size()) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(chunk.size(), size - at));
        ndb.file().read(at, std::span(chunk.data(), n));
        scanChunk(ndb, at, std::span<const uint8_t>(chunk.data(), n));
    }
    std::stable_sort(nodes_.begin(), nodes_.end(), [](const ScannedNode& a, const ScannedNode& b) {
        return a.entry.nid != b.entry.nid ? a.entry.nid < b.entry.nid : a.page.value > b.page.value;
    });
    // Index entries before trailer finds, newer pages first; a place given twice is kept once.
    std::stable_sort(places_.begin(), places_.end(), [](const Place& a, const Place& b) {
        if (a.entry.bid.key() != b.entry.bid.key()) return a.entry.bid.key() < b.entry.bid.key();
        return a.page > b.page;
    });
    places_.erase(std::unique(places_.begin(), places_.end(),
                              [](const Place& a, const Place& b) {
                                  return a.entry.bid.key() == b.entry.bid.key() &&
                                         a.entry.ib == b.entry.ib && a.entry.cb == b.entry.cb &&
                                         a.entry.cbInflated == b.entry.cbInflated;
                              }),
                  places_.end());
}

void FileScan::readAllocationMaps(const Ndb& ndb) {
    const FormatTraits& t = ndb.traits();
    if (!ndb.header().amapValid || t.format == Format::Unicode4k) return;
    const uint64_t size = ndb.fileSize();
    const size_t dataStart = t.format == Format::Ansi ? 4 : 0;
    const size_t tr = t.pageSize - t.pageTrailerSize;
    std::vector<bool> bits((size + 63) / 64, false);
    std::vector<uint8_t> page(t.pageSize);
    for (uint64_t map = kFirstAMap; map + t.pageSize <= size; map += kAMapRange) {
        ndb.file().read(map, page);
        // One map that is not there makes the maps useless: every place is kept then.
        if (page[tr] != kAMapPageType || page[tr + 1] != kAMapPageType) return;
        for (size_t slot = 0; slot < 496 * 8; ++slot) {
            const uint64_t ib = map + slot * 64;
            if (ib >= size) break;
            bits[ib / 64] = (page[dataStart + slot / 8] & (0x80u >> (slot % 8))) != 0;
        }
    }
    // The header and what precedes the first map are the file's own.
    for (uint64_t ib = 0; ib < kFirstAMap && ib < size; ib += 64) bits[ib / 64] = true;
    allocated_ = std::move(bits);
}

std::optional<bool> FileScan::freeAt(uint64_t ib) const {
    if (allocated_.empty()) return std::nullopt;
    if (ib / 64 >= allocated_.size()) return false;
    return !allocated_[ib / 64];
}

void FileScan::scanChunk(const Ndb& ndb, uint64_t at, std::span<const uint8_t> chunk) {
    const FormatTraits& t = ndb.traits();
    for (size_t off = 0; off + t.pageSize <= chunk.size(); off += t.pageSize) {
        const uint64_t ib = at + off;
        if (ib < t.pageSize || !keep(ib)) continue;
        auto leaf = ndb.leafPageAt({chunk.begin() + off, chunk.begin() + off + t.pageSize}, ib);
        if (!leaf) continue;
        const bool free = freeAt(ib).value_or(false);
        for (const NodeEntry& e : leaf->nodes) nodes_.push_back({e, leaf->bid, ib, free});
        for (const BlockEntry& e : leaf->blocks) places_.push_back({e, leaf->bid.value});
    }
    // A block's trailer ends on its alignment; its size tells where the block starts, and the
    // signature, which folds that offset with the id, must agree. The 4 KiB variant's trailer
    // does not tell whether its block is compressed: its lost blocks come from index pages only.
    if (t.format == Format::Unicode4k) return;
    const size_t ts = t.blockTrailerSize;
    for (size_t end = t.blockAlign; end <= chunk.size(); end += t.blockAlign) {
        ByteView v(chunk.subspan(end - ts, ts), ErrorCode::BadBlock);
        const uint16_t cb = v.u16(0);
        if (cb == 0 || cb > t.maxBlockData) continue;
        const size_t alloc = alignUp(size_t{cb} + ts, t.blockAlign);
        if (at + end < kFirstBlock + alloc) continue;
        const uint64_t ib = at + end - alloc;
        const uint64_t bid = t.format == Format::Ansi ? v.u32(4) : v.u64(8);
        if ((bid & ~uint64_t{1}) == 0 || v.u16(2) != computeSignature(ib, bid & ~uint64_t{1}) ||
            !keep(ib)) {
            continue;
        }
        places_.push_back({BlockEntry{BlockId(bid), ib, cb, cb, 0}, 0});
    }
}

std::vector<BlockEntry> FileScan::placesOf(BlockId bid) const {
    auto it =
        std::lower_bound(places_.begin(), places_.end(), bid.key(),
                         [](const Place& p, uint64_t key) { return p.entry.bid.key() < key; });
    std::vector<BlockEntry> out;
    for (; it != places_.end() && it->entry.bid.key() == bid.key(); ++it) out.push_back(it->entry);
    return out;
}

}  // namespace pellmark::pst
