#include <algorithm>

#include "pstwriter/ltp/BthWriter.h"
#include "pstwriter/ndb/NodeBuilder.h"

namespace pellmark::pstwriter {
namespace {

constexpr size_t kReadChunk = 64u << 10;

bool storedInline(PropType t) {
    return !mapi::isMultiValued(t) && mapi::fixedSize(t) > 0 && mapi::fixedSize(t) <= 4;
}

}  // namespace

uint32_t NodeBuilder::storeStream(const ContentSource& source) {
    StreamWriter stream(ndb_);
    ByteVec chunk;
    for (uint64_t off = 0; off < source.size(); off += chunk.size()) {
        chunk.resize(static_cast<size_t>(std::min<uint64_t>(kReadChunk, source.size() - off)));
        source.read(off, chunk);
        stream.append(chunk);
    }
    const NodeId nid = newValueNid();
    subnodes_.add(nid, stream.finish(), BlockId());
    return nid.value;
}

uint32_t NodeBuilder::storeVariable(HeapWriter& heap, ConstBytes bytes) {
    if (bytes.empty()) return 0;
    if (bytes.size() <= HeapWriter::kMaxAllocation) return heap.allocate(bytes);
    const NodeId nid = newValueNid();
    subnodes_.add(nid, writeStream(ndb_, bytes), BlockId());
    return nid.value;
}

uint32_t NodeBuilder::storeVariable(HeapWriter& heap, const StoredProp& value) {
    if (!value.stream) return storeVariable(heap, value.bytes);
    if (value.stream->size() > HeapWriter::kMaxAllocation) return storeStream(*value.stream);
    ByteVec small(static_cast<size_t>(value.stream->size()));
    value.stream->read(0, small);
    return storeVariable(heap, small);
}

BlockId writePropertyContext(NodeBuilder& node, std::vector<StoredProp> props) {
    std::stable_sort(props.begin(), props.end(),
                     [](const StoredProp& a, const StoredProp& b) { return a.id < b.id; });
    HeapWriter heap(node.ndb(), Heap::kTypeProperties);
    ByteBuffer records;
    for (size_t i = 0; i < props.size(); ++i) {
        const StoredProp& p = props[i];
        if (i + 1 < props.size() && props[i + 1].id == p.id) continue;  // the last one set wins
        records.u16(p.id);
        records.u16(static_cast<uint16_t>(p.type));
        if (storedInline(p.type)) {
            ByteVec v = p.bytes;
            v.resize(4, 0);
            records.bytes(v);
        } else {
            records.u32(node.storeVariable(heap, p));
        }
    }
    heap.setRoot(writeBth(heap, 2, 6, records.span()));
    return heap.finish();
}

}  // namespace pellmark::pstwriter
