#include "pstwriter/messaging/NameMap.h"

#include <stdexcept>

#include "base/Crc32.h"
#include "mapi/Tags.h"
#include "pst/ltp/PstTags.h"
#include "pstwriter/messaging/ItemKinds.h"
#include "pstwriter/ndb/NodeBuilder.h"

namespace pellmark::pstwriter {
namespace {

constexpr uint32_t kBuckets = 251;
constexpr uint16_t kFirstNamedId = 0x8000;

}  // namespace

NameMap::NameMap() {
    for (const NamedProp& n : lid::standard()) idFor(n);
}

uint16_t NameMap::idFor(const NamedProp& name) {
    auto it = ids_.find(name);
    if (it != ids_.end()) return it->second;
    if (order_.size() >= 0x7FFF) throw std::runtime_error("more named properties than ids");
    const auto id = static_cast<uint16_t>(kFirstNamedId + order_.size());
    ids_.emplace(name, id);
    order_.push_back(name);
    return id;
}

namespace {

// The streams of [MS-PST] 2.4.7: the GUIDs beyond PS_MAPI and PS_PUBLIC_STRINGS, one NAMEID
// entry per property, the string names, and hash buckets that repeat the entries by hash.
struct Streams {
    ByteBuffer guids, entries, strings;
    std::vector<ByteBuffer> buckets = std::vector<ByteBuffer>(kBuckets);
    std::vector<Guid> guidList;

    uint16_t guidIndex(const Guid& set) {
        if (set == mapi::psetid::kMapi) return 1;
        if (set == mapi::psetid::kPublicStrings) return 2;
        size_t g = 0;
        while (g < guidList.size() && !(guidList[g] == set)) ++g;
        if (g == guidList.size()) {
            guidList.push_back(set);
            guids.bytes(set.bytes);
        }
        return static_cast<uint16_t>(3 + g);
    }

    void add(const NamedProp& n, uint16_t index) {
        const uint16_t wGuid =
            static_cast<uint16_t>(guidIndex(n.set) << 1 | (n.isString() ? 1 : 0));
        uint32_t key = n.id;
        uint32_t hash = n.id;
        if (n.isString()) {
            // Entries point into the string stream; buckets hash by the name's CRC.
            const ByteVec name = utf16le(n.name);
            key = static_cast<uint32_t>(strings.size());
            hash = base::computeCrc(name);
            strings.u32(static_cast<uint32_t>(name.size()));
            strings.bytes(name);
            strings.padTo((strings.size() + 3) / 4 * 4);
        }
        entries.u32(key);
        entries.u16(wGuid);
        entries.u16(index);
        ByteBuffer& bucket = buckets[(hash ^ wGuid) % kBuckets];
        bucket.u32(hash);
        bucket.u16(wGuid);
        bucket.u16(index);
    }
};

StoredProp binary(uint16_t id, ByteVec bytes) {
    return {id, PropType::Binary, std::move(bytes), nullptr};
}

}  // namespace

void NameMap::write(NdbWriter& ndb) const {
    Streams s;
    for (size_t i = 0; i < order_.size(); ++i) s.add(order_[i], static_cast<uint16_t>(i));
    std::vector<StoredProp> props;
    props.push_back({pst::prop::kNameidBucketCount, PropType::Int32, {kBuckets, 0, 0, 0}, nullptr});
    props.push_back(binary(pst::prop::kNameidStreamGuid, s.guids.take()));
    props.push_back(binary(pst::prop::kNameidStreamEntry, s.entries.take()));
    props.push_back(binary(pst::prop::kNameidStreamString, s.strings.take()));
    for (uint32_t b = 0; b < kBuckets; ++b) {
        if (s.buckets[b].size() > 0) {
            props.push_back(binary(static_cast<uint16_t>(pst::prop::kNameidBucketBase + b),
                                   s.buckets[b].take()));
        }
    }
    NodeBuilder node(ndb);
    const BlockId data = writePropertyContext(node, std::move(props));
    ndb.addNode(pst::nid::kNameToIdMap, data, node.finishSubnodes(), NodeId());
}

}  // namespace pellmark::pstwriter
