#include "pst/ndb/DataTree.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace pellmark::pst {
namespace {
constexpr uint8_t kDataTreeType = 0x01;  // XBLOCK and XXBLOCK
}

DataTree::DataTree(const Ndb& db, BlockId root, NodeId owner) : db_(&db), owner_(owner) {
    if (root.null()) return;
    if (!root.internal()) {
        auto e = db.locateBlock(root, owner);
        if (!e) {
            throw PstError(ErrorCode::NotFound, "data block missing", PstError::kNoOffset,
                           root.value, owner.value);
        }
        leaves_.push_back({root, 0, e->cbInflated});
        size_ = e->cbInflated;
        return;
    }
    BlockData top = db.readBlock(root, owner);
    ByteView v(*top, ErrorCode::BadBlock);
    if (v.u8(0) != kDataTreeType || (v.u8(1) != 1 && v.u8(1) != 2)) {
        throw PstError(ErrorCode::BadBlock, "not an XBLOCK or XXBLOCK", PstError::kNoOffset,
                       root.value, owner.value);
    }
    const uint32_t total = v.u32(4);
    // Streams cannot hold more than the file stores (compressed blocks of the 4 KiB variant
    // inflate to at most 64 KiB from a few dozen bytes); a larger total means a tree that
    // repeats its blocks, and would make a small file claim gigabytes.
    const uint64_t ratio = db.header().format == Format::Unicode4k ? 4096 : 1;
    if (total > db.fileSize() * ratio) {
        throw PstError(ErrorCode::BadBlock, "data tree larger than the file", PstError::kNoOffset,
                       root.value, owner.value);
    }
    expected_ = total;
    addLeaves(root, v.u8(1), v.u8(1));
    if (size_ != total) {
        throw PstError(ErrorCode::BadBlock,
                       "data tree holds " + std::to_string(size_) + " bytes, its header says " +
                           std::to_string(total),
                       PstError::kNoOffset, root.value, owner.value);
    }
}

void DataTree::addLeaves(BlockId bid, int level, int expectLevel) {
    if (level == 0) {
        auto e = db_->locateBlock(bid, owner_);
        if (!e || bid.internal()) {
            throw PstError(ErrorCode::NotFound, "data block missing", PstError::kNoOffset,
                           bid.value, owner_.value);
        }
        leaves_.push_back({bid, size_, e->cbInflated});
        size_ += e->cbInflated;
        if (size_ > expected_) {
            throw PstError(ErrorCode::BadBlock, "data tree holds more than its header says",
                           PstError::kNoOffset, bid.value, owner_.value);
        }
        return;
    }
    if (!bid.internal()) {
        throw PstError(ErrorCode::BadBlock, "data tree level is not an internal block",
                       PstError::kNoOffset, bid.value, owner_.value);
    }
    BlockData data = db_->readBlock(bid, owner_);
    ByteView v(*data, ErrorCode::BadBlock);
    // Levels strictly decrease, so a tree that refers back to itself ends here.
    if (v.u8(0) != kDataTreeType || v.u8(1) != expectLevel) {
        throw PstError(ErrorCode::BadBlock, "data tree level mismatch", PstError::kNoOffset,
                       bid.value, owner_.value);
    }
    const size_t w = db_->traits().idSize;
    const uint16_t count = v.u16(2);
    v.require(8, size_t{count} * w, "data tree entries");
    for (uint16_t i = 0; i < count; ++i) {
        addLeaves(BlockId(v.uint(8 + i * w, w)), level - 1, expectLevel - 1);
    }
}

BlockData DataTree::block(size_t i) const {
    return db_->readBlock(leaves_.at(i).bid, owner_);
}

size_t DataTree::leafAt(uint64_t offset) const {
    auto it = std::upper_bound(leaves_.begin(), leaves_.end(), offset,
                               [](uint64_t o, const Leaf& l) { return o < l.offset; });
    return static_cast<size_t>(it - leaves_.begin()) - 1;
}

void DataTree::read(uint64_t offset, std::span<uint8_t> out) const {
    if (offset > size_ || size_ - offset < out.size()) {
        throw PstError(ErrorCode::OutOfBounds, "read past the end of a node's data",
                       PstError::kNoOffset, 0, owner_.value);
    }
    size_t done = 0;
    size_t i = out.empty() ? 0 : leafAt(offset);
    while (done < out.size()) {
        const Leaf& leaf = leaves_[i];
        BlockData data = block(i);
        if (data->size() != leaf.size) {
            throw PstError(ErrorCode::BadBlock, "block size differs from its entry",
                           PstError::kNoOffset, leaf.bid.value, owner_.value);
        }
        const uint64_t pos = offset + done - leaf.offset;
        const size_t n = std::min<uint64_t>(leaf.size - pos, out.size() - done);
        std::memcpy(out.data() + done, data->data() + pos, n);
        done += n;
        ++i;
    }
}

std::vector<uint8_t> DataTree::readAll(uint64_t limit) const {
    if (size_ > limit) {
        throw PstError(ErrorCode::OutOfBounds, "node data larger than allowed here",
                       PstError::kNoOffset, 0, owner_.value);
    }
    std::vector<uint8_t> out(size_);
    read(0, out);
    return out;
}

}  // namespace pellmark::pst
