#include "pst/ltp/BTreeOnHeap.h"

namespace pellmark::pst {
namespace {
constexpr uint8_t kMaxLevels = 8;
}

BTreeOnHeap::BTreeOnHeap(const Heap& heap, Hid header) : heap_(&heap) {
    ByteView v(heap.item(header), ErrorCode::BadTable);
    if (v.size() < 8 || v.u8(0) != Heap::kTypeBTree) {
        throw PstError(ErrorCode::BadTable, "missing BTree-on-heap header", PstError::kNoOffset, 0,
                       heap.node().id().value);
    }
    keySize_ = v.u8(1);
    dataSize_ = v.u8(2);
    levels_ = v.u8(3);
    root_ = v.u32(4);
    if ((keySize_ != 2 && keySize_ != 4 && keySize_ != 8 && keySize_ != 16) || dataSize_ == 0 ||
        dataSize_ > 32 || levels_ > kMaxLevels) {
        throw PstError(ErrorCode::BadTable, "BTree-on-heap header out of range",
                       PstError::kNoOffset, 0, heap.node().id().value);
    }
}

uint64_t BTreeOnHeap::keyOf(ByteView v, size_t off) const {
    switch (keySize_) {
        case 2:
            return v.u16(off);
        case 4:
            return v.u32(off);
        default:
            return v.u64(off);  // 16-byte keys compare on their first 8 bytes
    }
}

bool BTreeOnHeap::walk(Hid hid, int level, const std::function<bool(Bytes, Bytes)>& visit) const {
    ByteView v(heap_->item(hid), ErrorCode::BadTable);
    const size_t rec = keySize_ + (level > 0 ? 4 : dataSize_);
    if (v.size() % rec != 0) {
        throw PstError(ErrorCode::BadTable, "BTree-on-heap records do not fill their allocation",
                       PstError::kNoOffset, 0, heap_->node().id().value);
    }
    for (size_t off = 0; off < v.size(); off += rec) {
        if (level > 0) {
            // Levels strictly decrease toward the leaves, so a cycle cannot recurse forever.
            if (!walk(v.u32(off + keySize_), level - 1, visit)) return false;
        } else if (!visit(v.sub(off, keySize_), v.sub(off + keySize_, dataSize_))) {
            return false;
        }
    }
    return true;
}

void BTreeOnHeap::forEach(const std::function<bool(Bytes key, Bytes data)>& visit) const {
    if (root_ != 0) walk(root_, levels_, visit);
}

std::optional<Bytes> BTreeOnHeap::find(uint64_t key) const {
    if (root_ == 0) return std::nullopt;
    Hid hid = root_;
    for (int level = levels_; level >= 0; --level) {
        ByteView v(heap_->item(hid), ErrorCode::BadTable);
        const size_t rec = keySize_ + (level > 0 ? 4 : dataSize_);
        const size_t count = v.size() / rec;
        // The last record whose key is not above the one sought.
        size_t lo = 0, hi = count;
        while (lo < hi) {
            size_t mid = lo + (hi - lo) / 2;
            if (keyOf(v, mid * rec) <= key)
                lo = mid + 1;
            else
                hi = mid;
        }
        if (lo == 0) return std::nullopt;
        const size_t off = (lo - 1) * rec;
        if (level == 0) {
            if (keyOf(v, off) != key) return std::nullopt;
            return v.sub(off + keySize_, dataSize_);
        }
        hid = v.u32(off + keySize_);
    }
    return std::nullopt;
}

}  // namespace pellmark::pst
