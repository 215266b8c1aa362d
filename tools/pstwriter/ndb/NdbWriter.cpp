#include "pstwriter/ndb/NdbWriter.h"

#include <algorithm>
#include <stdexcept>

#include "base/Crc32.h"

namespace pellmark::pstwriter {
namespace {

constexpr uint8_t kPTypeBbt = 0x80;
constexpr uint8_t kPTypeNbt = 0x81;
constexpr uint16_t kBlockRefs = 2;  // every block is referenced by the tree and its node

uint16_t signature(uint64_t ib, uint64_t bid) {
    ib ^= bid;
    return static_cast<uint16_t>(static_cast<uint16_t>(ib >> 16) ^ static_cast<uint16_t>(ib));
}

uint64_t alignUp(uint64_t n, uint64_t a) {
    return (n + a - 1) / a * a;
}

}  // namespace

NdbWriter::NdbWriter(const std::filesystem::path& target, Format format, CryptMethod crypt)
    : traits_(pst::FormatTraits::of(format)), crypt_(crypt), out_(target), space_(format) {}

BlockId NdbWriter::writeBlock(ConstBytes data, bool internal) {
    if (data.size() > traits_.maxBlockData) throw std::logic_error("block larger than allowed");
    if (bidCounter_ > blockId(blocks_.size(), false)) throw std::logic_error("block after pages");
    const uint64_t bid = blockId(blocks_.size(), internal);
    bidCounter_ = bid & ~uint64_t{3};
    const uint64_t total = alignUp(data.size() + traits_.blockTrailerSize, traits_.blockAlign);
    const uint64_t ib = space_.allocate(total, traits_.blockAlign);

    scratch_.assign(data.begin(), data.end());
    if (!internal) pst::encodeBlock(crypt_, scratch_, bid);
    const uint32_t crc = base::computeCrc(scratch_);
    scratch_.resize(total - traits_.blockTrailerSize, 0);
    ByteBuffer trailer(traits_.blockTrailerSize);
    trailer.u16(static_cast<uint16_t>(data.size()));
    trailer.u16(signature(ib, bid));
    putIdAndCrc(trailer, format(), bid, crc);
    if (is4k()) {
        // The 4 KiB variant's trailer goes on with the references and the inflated size; the
        // writer never compresses, so that size is the stored one.
        trailer.u16(kBlockRefs);
        trailer.u16(static_cast<uint16_t>(data.size()));
        trailer.u32(0);
    }
    scratch_.insert(scratch_.end(), trailer.vec().begin(), trailer.vec().end());
    out_.writeAt(ib, scratch_);
    blocks_.push_back(
        {static_cast<uint32_t>(ib / 64), static_cast<uint16_t>(data.size()), internal});
    return BlockId(bid);
}

void NdbWriter::addNode(NodeId nid, BlockId data, BlockId sub, NodeId parent) {
    nodes_.push_back({nid.value, parent.value, data.value, sub.value});
    auto type = static_cast<size_t>(nid.type());
    nidHigh_[type] = std::max(nidHigh_[type], nid.index());
}

void NdbWriter::deleteNode(NodeId nid, size_t firstBlock, bool blockPages) {
    auto it = std::find_if(nodes_.begin(), nodes_.end(),
                           [&](const NodeRecord& r) { return r.nid == nid.value; });
    if (it == nodes_.end()) throw std::logic_error("no such node to delete");
    deleted_.push_back(*it);
    nodes_.erase(it);
    for (size_t i = firstBlock; i < blocks_.size(); ++i) {
        blocks_[i].freed = true;
        blocks_[i].freedOnPage = blockPages;
    }
}

// The index pages of what was deleted, written before the live trees and then given back:
// they lie in free space, with lower ids than the live pages, as replaced pages do.
void NdbWriter::writeDeleted() {
    const size_t w = traits_.idSize;
    std::sort(deleted_.begin(), deleted_.end(),
              [](const NodeRecord& a, const NodeRecord& b) { return a.nid < b.nid; });
    const uint64_t from = space_.end();
    if (!deleted_.empty()) {
        writeTree(deleted_.size(), traits_.nbtLeafSize, kPTypeNbt,
                  [&](size_t i, ByteBuffer& e) { return nbtEntry(e, deleted_[i]); });
    }
    std::vector<size_t> freed, onPages;
    for (size_t i = 0; i < blocks_.size(); ++i) {
        if (blocks_[i].freed) freed.push_back(i);
        if (blocks_[i].freedOnPage) onPages.push_back(i);
    }
    if (!onPages.empty()) {
        writeTree(onPages.size(), traits_.bbtLeafSize, kPTypeBbt, [&](size_t k, ByteBuffer& e) {
            const BlockRecord& r = blocks_[onPages[k]];
            const uint64_t bid = blockId(onPages[k], r.internal);
            e.uint(bid, w);
            e.uint(uint64_t{r.ib64} * 64, w);
            bbtTail(e, r.cb, 1);
            return bid;
        });
    }
    space_.release(from, space_.end());
    for (size_t i : freed) {
        const BlockRecord& r = blocks_[i];
        const uint64_t size = alignUp(r.cb + traits_.blockTrailerSize, traits_.blockAlign);
        space_.release(uint64_t{r.ib64} * 64, uint64_t{r.ib64} * 64 + size);
    }
}

// The rest of a BBTENTRY after bid and ib: the 4 KiB variant adds the inflated size.
// An NBTENTRY; returns its key.
uint64_t NdbWriter::nbtEntry(ByteBuffer& e, const NodeRecord& r) const {
    const size_t w = traits_.idSize;
    e.uint(r.nid, w);
    e.uint(r.data, w);
    e.uint(r.sub, w);
    e.u32(r.parent);
    if (w == 8) e.u32(0);
    return r.nid;
}

void NdbWriter::bbtTail(ByteBuffer& e, uint16_t cb, uint16_t refs) const {
    e.u16(cb);
    if (is4k()) e.u16(cb);
    e.u16(refs);
    if (idSize() == 8) e.zeros(is4k() ? 2 : 4);
}

NdbWriter::PageRef NdbWriter::writePage(ConstBytes entries, size_t count, size_t entrySize,
                                        uint8_t level, uint8_t ptype, uint64_t firstKey) {
    const size_t page = traits_.pageSize;
    const uint64_t bid = nextBid();
    const uint64_t ib = space_.allocate(page, page);
    ByteBuffer b(page);
    b.bytes(entries);
    b.padTo(traits_.btEntriesSize);
    const size_t maxCount = traits_.btEntriesSize / entrySize;
    if (is4k()) {
        // Counts are 16 bits wide here, and the padding runs to the trailer.
        b.u16(static_cast<uint16_t>(count));
        b.u16(static_cast<uint16_t>(maxCount));
        b.u8(static_cast<uint8_t>(entrySize));
        b.u8(level);
        b.padTo(page - traits_.pageTrailerSize);
    } else {
        b.u8(static_cast<uint8_t>(count));
        b.u8(static_cast<uint8_t>(maxCount));
        b.u8(static_cast<uint8_t>(entrySize));
        b.u8(level);
        if (unicode()) b.u32(0);  // dwPadding
    }
    const uint32_t crc = base::computeCrc(b.span());
    b.u8(ptype);
    b.u8(ptype);
    b.u16(signature(ib, bid));
    putIdAndCrc(b, format(), bid, crc);
    if (is4k()) b.u64(1);  // as Outlook's 4 KiB pages end
    out_.writeAt(ib, b.span());
    return {firstKey, bid, ib};
}

// Builds a B-tree bottom-up from `count` sorted leaf entries: full leaves, then branch levels
// until one page remains.
template <typename EntryFn>
NdbWriter::PageRef NdbWriter::writeTree(size_t count, size_t leafSize, uint8_t ptype,
                                        EntryFn leafEntry) {
    const size_t w = traits_.idSize;
    const size_t perLeaf = traits_.btEntriesSize / leafSize;
    std::vector<PageRef> level;
    for (size_t first = 0; first < count || level.empty(); first += perLeaf) {
        ByteBuffer entries(traits_.btEntriesSize);
        const size_t n = std::min(perLeaf, count - std::min(first, count));
        uint64_t firstKey = 0;
        for (size_t i = 0; i < n; ++i) {
            uint64_t key = leafEntry(first + i, entries);
            if (i == 0) firstKey = key;
        }
        level.push_back(writePage(entries.span(), n, leafSize, 0, ptype, firstKey));
        if (n == 0) break;
    }
    const size_t perBranch = traits_.btEntriesSize / traits_.btBranchSize;
    for (uint8_t depth = 1; level.size() > 1; ++depth) {
        std::vector<PageRef> up;
        for (size_t first = 0; first < level.size(); first += perBranch) {
            ByteBuffer entries(traits_.btEntriesSize);
            const size_t n = std::min(perBranch, level.size() - first);
            for (size_t i = first; i < first + n; ++i) {
                entries.uint(level[i].key, w);
                entries.uint(level[i].bid, w);
                entries.uint(level[i].ib, w);
            }
            up.push_back(
                writePage(entries.span(), n, traits_.btBranchSize, depth, ptype, level[first].key));
        }
        level = std::move(up);
    }
    return level.front();
}

void NdbWriter::finish() {
    std::sort(nodes_.begin(), nodes_.end(),
              [](const NodeRecord& a, const NodeRecord& b) { return a.nid < b.nid; });
    for (size_t i = 1; i < nodes_.size(); ++i) {
        if (nodes_[i].nid == nodes_[i - 1].nid) throw std::logic_error("node written twice");
    }
    const size_t w = traits_.idSize;
    writeDeleted();
    std::vector<size_t> live;
    for (size_t i = 0; i < blocks_.size(); ++i) {
        if (!blocks_[i].freed) live.push_back(i);
    }
    // The block B-tree lists blocks only, so its size is known before its own pages are made.
    const PageRef bbt =
        writeTree(live.size(), traits_.bbtLeafSize, kPTypeBbt, [&](size_t k, ByteBuffer& e) {
            const size_t i = live[k];
            const BlockRecord& r = blocks_[i];
            const uint64_t bid = blockId(i, r.internal);
            e.uint(bid, w);
            e.uint(uint64_t{r.ib64} * 64, w);
            bbtTail(e, r.cb, kBlockRefs);
            return bid;
        });
    const PageRef nbt = writeTree(nodes_.size(), traits_.nbtLeafSize, kPTypeNbt,
                                  [&](size_t i, ByteBuffer& e) { return nbtEntry(e, nodes_[i]); });
    const SpaceMap::Totals maps = space_.writeMaps(out_);
    writeHeader(nbt, bbt, maps);
    out_.commit(space_.fileSize());
}

void NdbWriter::writeHeader(const PageRef& nbt, const PageRef& bbt, const SpaceMap::Totals& maps) {
    ByteVec head = headerBytes(nbt, bbt, maps);
    head.resize(space_.firstAMap(), 0);
    out_.writeAt(0, head);
}

}  // namespace pellmark::pstwriter
