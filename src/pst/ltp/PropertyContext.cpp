#include "pst/ltp/PropertyContext.h"

#include <algorithm>
#include <cstring>

#include "pst/ltp/HeapValue.h"

namespace pellmark::pst {

PropertyContext::PropertyContext(const Node& node) : heap_(node, Heap::kTypeProperties) {
    BTreeOnHeap bth(heap_, heap_.userRoot());
    if (bth.keySize() != 2 || bth.dataSize() != 6) {
        throw PstError(ErrorCode::BadTable, "property context with wrong record sizes",
                       PstError::kNoOffset, 0, node.id().value);
    }
    bth.forEach([&](Bytes key, Bytes data) {
        ByteView k(key), d(data);
        records_.push_back({k.u16(0), static_cast<mapi::PropType>(d.u16(0)), d.u32(2)});
        return true;
    });
    std::stable_sort(records_.begin(), records_.end(),
                     [](const PropRecord& a, const PropRecord& b) { return a.id < b.id; });
}

std::optional<PropRecord> PropertyContext::record(uint16_t id) const {
    auto it = std::lower_bound(records_.begin(), records_.end(), id,
                               [](const PropRecord& r, uint16_t i) { return r.id < i; });
    if (it == records_.end() || it->id != id) return std::nullopt;
    return *it;
}

bool PropertyContext::isInline(mapi::PropType t) const {
    // Values of at most four bytes live in the record itself.
    const uint32_t size = mapi::fixedSize(t);
    return !mapi::isMultiValued(t) && size > 0 && size <= 4;
}

std::optional<mapi::PropValue> PropertyContext::get(uint16_t id) const {
    auto r = record(id);
    if (!r) return std::nullopt;
    uint8_t raw[4];
    std::memcpy(raw, &r->value, 4);
    const bool inl = isInline(r->type);
    return makeValue(heap_, r->type, inl, Bytes(raw, inl ? mapi::fixedSize(r->type) : 0), r->value);
}

uint64_t PropertyContext::valueSize(const PropRecord& r) const {
    if (isInline(r.type)) return mapi::fixedSize(r.type);
    return r.value == 0 ? 0 : hnidSize(heap_, r.value);
}

std::unique_ptr<mapi::ByteStream> PropertyContext::openStream(uint16_t id) const {
    auto r = record(id);
    if (!r) return nullptr;
    if (isInline(r->type) || r->value == 0) {
        auto v = get(id);
        return std::make_unique<mapi::MemoryStream>(v ? v->bytes : std::vector<uint8_t>{});
    }
    return openHnid(heap_, r->value);
}

size_t PropertyContext::keepReadable() {
    const size_t before = records_.size();
    std::erase_if(records_, [&](const PropRecord& r) {
        if (isInline(r.type) || r.value == 0) return false;
        try {
            if (r.type == mapi::PropType::Object) return !objectNode(r.id);
            get(r.id);
            return false;
        } catch (const PstError&) {
            return true;
        }
    });
    return before - records_.size();
}

std::optional<NodeId> PropertyContext::objectNode(uint16_t id) const {
    auto r = record(id);
    if (!r || r->type != mapi::PropType::Object || r->value == 0) return std::nullopt;
    // The value is either the subnode id itself or a heap allocation holding it, followed by
    // the object's size.
    if (!isHid(r->value)) return NodeId(r->value);
    ByteView v(heap_.item(r->value), ErrorCode::BadProperty);
    return NodeId(v.u32(0));
}

}  // namespace pellmark::pst
