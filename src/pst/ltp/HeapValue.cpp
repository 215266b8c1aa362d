#include "pst/ltp/HeapValue.h"

#include "pst/ltp/DataTreeStream.h"

namespace pellmark::pst {
namespace {

Node subnodeOf(const Heap& heap, uint32_t nid) {
    auto sub = heap.node().subnode(NodeId(nid));
    if (!sub) {
        throw PstError(ErrorCode::NotFound, "value subnode missing", PstError::kNoOffset, 0,
                       heap.node().id().value);
    }
    return *sub;
}

}  // namespace

uint64_t hnidSize(const Heap& heap, uint32_t hnid) {
    if (isHid(hnid)) return heap.item(hnid).size();
    return subnodeOf(heap, hnid).data().size();
}

std::vector<uint8_t> readHnid(const Heap& heap, uint32_t hnid, uint64_t limit) {
    if (isHid(hnid)) {
        Bytes b = heap.item(hnid);
        return {b.begin(), b.end()};
    }
    return subnodeOf(heap, hnid).data().readAll(limit);
}

std::unique_ptr<mapi::ByteStream> openHnid(const Heap& heap, uint32_t hnid) {
    if (isHid(hnid)) return std::make_unique<mapi::MemoryStream>(readHnid(heap, hnid));
    return std::make_unique<DataTreeStream>(subnodeOf(heap, hnid).data());
}

mapi::PropValue makeValue(const Heap& heap, mapi::PropType type, bool isInline, Bytes inlineBytes,
                          uint32_t hnid) {
    mapi::PropValue v;
    v.type = type;
    if (isInline) {
        v.bytes.assign(inlineBytes.begin(), inlineBytes.end());
    } else if (hnid != 0) {
        v.bytes = readHnid(heap, hnid);
    }
    return v;
}

}  // namespace pellmark::pst
