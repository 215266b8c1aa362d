#include "pstwriter/ltp/HeapWriter.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace pellmark::pstwriter {
namespace {

constexpr size_t kMaxAllocationsPerBlock = 2047;  // hidIndex has at least 11 bits

// Fill levels of [MS-PST] 2.3.1.5: how much room a block still has, in 16 steps.
uint8_t fillLevel(size_t freeBytes) {
    static const size_t kBounds[] = {3584, 2560, 2048, 1792, 1536, 1280, 1024, 768,
                                     512,  256,  128,  64,   32,   16,   8};
    for (uint8_t level = 0; level < 15; ++level) {
        if (freeBytes >= kBounds[level]) return level;
    }
    return 15;
}

}  // namespace

HeapWriter::HeapWriter(NdbWriter& ndb, uint8_t clientSig) : ndb_(ndb), clientSig_(clientSig) {
    startBlock();
}

size_t HeapWriter::headerSize(size_t index) const {
    if (index == 0) return 12;       // HNHDR
    if (isBitmap(index)) return 66;  // HNBITMAPHDR
    return 2;                        // HNPAGEHDR
}

void HeapWriter::startBlock() {
    // hidBlockIndex has 16 bits, 13 in the 4 KiB page variant
    const size_t maxBlocks = ndb_.is4k() ? 8192 : 65536;
    if (index_ >= maxBlocks) throw std::runtime_error("heap larger than its blocks can address");
    current_.bytes.assign(headerSize(index_), 0);
    current_.starts.clear();
}

Hid HeapWriter::allocate(ConstBytes data) {
    if (data.size() > kMaxAllocation) throw std::logic_error("heap allocation too large");
    auto fits = [&] {
        const size_t end = current_.bytes.size() + data.size();
        const size_t map = (end + 1) / 2 * 2 + 4 + 2 * (current_.starts.size() + 2);
        return map <= ndb_.maxBlockData() && current_.starts.size() < kMaxAllocationsPerBlock;
    };
    if (!fits()) {
        closeBlock();
        ++index_;
        startBlock();
    }
    current_.starts.push_back(static_cast<uint16_t>(current_.bytes.size()));
    current_.bytes.insert(current_.bytes.end(), data.begin(), data.end());
    return pst::makeHid(static_cast<uint32_t>(index_),
                        static_cast<uint32_t>(current_.starts.size()), ndb_.is4k());
}

void HeapWriter::patch(Hid hid, ConstBytes data) {
    Block& block = index_ == 0 ? current_ : *first_;
    const pst::HidParts at = pst::splitHid(hid, ndb_.is4k());
    const size_t i = at.index - 1;
    if (at.block != 0 || i >= block.starts.size()) throw std::logic_error("patch outside block 0");
    std::memcpy(block.bytes.data() + block.starts[i], data.data(), data.size());
}

// Appends the page map (2-byte aligned) and records where it is.
void HeapWriter::closeBlock() {
    ByteVec& b = current_.bytes;
    const uint16_t end = static_cast<uint16_t>(b.size());
    if (b.size() % 2) b.push_back(0);
    const uint16_t ibHnpm = static_cast<uint16_t>(b.size());
    ByteBuffer map;
    map.u16(static_cast<uint16_t>(current_.starts.size()));
    map.u16(0);  // cFree
    for (uint16_t s : current_.starts) map.u16(s);
    map.u16(end);
    b.insert(b.end(), map.vec().begin(), map.vec().end());
    std::memcpy(b.data(), &ibHnpm, 2);
    fillLevels_.push_back(fillLevel(ndb_.maxBlockData() - b.size()));
    leaves_.push_back({});

    if (index_ == 0) {
        first_ = std::move(current_);
    } else if (isBitmap(index_)) {
        if (bitmap_) writeHeld(bitmapIndex_, *bitmap_);
        bitmap_ = std::move(current_);
        bitmapIndex_ = index_;
    } else {
        leaves_[index_] = {ndb_.writeBlock(b), static_cast<uint32_t>(b.size())};
    }
    current_ = Block{};
}

void HeapWriter::writeFillLevels(ByteVec& bytes, size_t at, size_t first, size_t count) const {
    for (size_t i = 0; i < count && first + i < fillLevels_.size(); ++i) {
        bytes[at + i / 2] |= static_cast<uint8_t>(fillLevels_[first + i] << (4 * (i % 2)));
    }
}

void HeapWriter::writeHeld(size_t index, Block& block) {
    if (index == 0) {
        ByteVec& b = block.bytes;
        b[2] = Heap::kSignature;
        b[3] = clientSig_;
        std::memcpy(b.data() + 4, &root_, 4);
        writeFillLevels(b, 8, 0, 8);
    } else {
        writeFillLevels(block.bytes, 2, index, 128);
    }
    leaves_[index] = {ndb_.writeBlock(block.bytes), static_cast<uint32_t>(block.bytes.size())};
}

BlockId HeapWriter::finish() {
    closeBlock();
    if (bitmap_) writeHeld(bitmapIndex_, *bitmap_);
    writeHeld(0, *first_);
    return buildDataTree(ndb_, leaves_);
}

}  // namespace pellmark::pstwriter
