#include "pst/ltp/Heap.h"

#include "pst/ndb/Ndb.h"

#include <string>

namespace pellmark::pst {

Heap::Heap(const Node& node, uint8_t clientSig)
    : node_(node), data_(node.data()), widePages_(node.db().traits().format == Format::Unicode4k) {
    if (data_.blockCount() == 0) {
        throw PstError(ErrorCode::BadHeap, "heap node without data", PstError::kNoOffset, 0,
                       node.id().value);
    }
    pages_.resize(data_.blockCount());
    ByteView v(*page(0), ErrorCode::BadHeap);
    if (v.u8(2) != kSignature) {
        throw PstError(ErrorCode::BadHeap, "missing heap signature", PstError::kNoOffset, 0,
                       node.id().value);
    }
    clientSig_ = v.u8(3);
    if (clientSig != 0 && clientSig_ != clientSig) {
        throw PstError(ErrorCode::BadHeap,
                       "heap of client type " + std::to_string(clientSig_) + ", expected " +
                           std::to_string(clientSig),
                       PstError::kNoOffset, 0, node.id().value);
    }
    userRoot_ = v.u32(4);
}

BlockData Heap::page(size_t index) const {
    if (!pages_.at(index)) pages_[index] = data_.block(index);
    return pages_[index];
}

Bytes Heap::item(Hid hid) const {
    if (hid == 0) return {};
    if (!isHid(hid)) {
        throw PstError(ErrorCode::BadHeap, "subnode id where a heap address was expected",
                       PstError::kNoOffset, 0, node_.id().value);
    }
    const auto [block, index] = splitHid(hid, widePages_);
    if (block >= pages_.size() || index == 0) {
        throw PstError(ErrorCode::BadHeap, "heap address out of range", PstError::kNoOffset, 0,
                       node_.id().value);
    }
    BlockData data = page(block);
    ByteView v(*data, ErrorCode::BadHeap);
    // Every page starts with the offset of its page map: HNHDR, HNPAGEHDR and HNBITMAPHDR all
    // begin with ibHnpm.
    const uint16_t map = v.u16(0);
    const uint16_t count = v.u16(map);
    if (index > count) {
        throw PstError(ErrorCode::BadHeap, "heap allocation index beyond the page map",
                       PstError::kNoOffset, 0, node_.id().value);
    }
    const uint16_t begin = v.u16(map + 4 + 2 * (index - 1));
    const uint16_t end = v.u16(map + 4 + 2 * index);
    if (begin > end || end > map) {
        throw PstError(ErrorCode::BadHeap, "heap allocation outside its page", PstError::kNoOffset,
                       0, node_.id().value);
    }
    return v.sub(begin, end - begin);
}

}  // namespace pellmark::pst
