#include "pstwriter/NameMap.h"

#include <stdexcept>

#include "pst/io/Crc.h"
#include "pst/ltp/Tags.h"
#include "pstwriter/ItemKinds.h"
#include "pstwriter/NodeBuilder.h"

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

// Streams of [MS-PST] 2.4.7: the GUIDs beyond PS_MAPI and PS_PUBLIC_STRINGS, one NAMEID entry
// per property, the string names, and hash buckets that repeat the entries by hash.
void NameMap::write(NdbWriter& ndb) const {
    ByteBuffer guids, entries, strings;
    std::vector<ByteBuffer> buckets(kBuckets);
    std::vector<Guid> guidList;
    for (size_t i = 0; i < order_.size(); ++i) {
        const NamedProp& n = order_[i];
        uint16_t guidIndex = 0;
        if (n.set == pst::psetid::kMapi) {
            guidIndex = 1;
        } else if (n.set == pst::psetid::kPublicStrings) {
            guidIndex = 2;
        } else {
            size_t g = 0;
            while (g < guidList.size() && !(guidList[g] == n.set)) ++g;
            if (g == guidList.size()) {
                guidList.push_back(n.set);
                guids.bytes(n.set.bytes);
            }
            guidIndex = static_cast<uint16_t>(3 + g);
        }
        const uint16_t wGuid = static_cast<uint16_t>(guidIndex << 1 | (n.isString() ? 1 : 0));
        uint32_t key = n.id;
        uint32_t hash = n.id;
        if (n.isString()) {
            ByteVec name = utf16le(n.name);
            key = static_cast<uint32_t>(strings.size());
            hash = pst::computeCrc(name);
            strings.u32(static_cast<uint32_t>(name.size()));
            strings.bytes(name);
            strings.padTo((strings.size() + 3) / 4 * 4);
        }
        const auto index = static_cast<uint16_t>(i);
        entries.u32(key);
        entries.u16(wGuid);
        entries.u16(index);
        ByteBuffer& bucket = buckets[(hash ^ wGuid) % kBuckets];
        bucket.u32(hash);
        bucket.u16(wGuid);
        bucket.u16(index);
    }
    std::vector<StoredProp> props;
    auto binary = [&](uint16_t id, ByteVec bytes) {
        StoredProp p;
        p.id = id;
        p.type = PropType::Binary;
        p.bytes = std::move(bytes);
        props.push_back(std::move(p));
    };
    StoredProp count;
    count.id = pst::prop::kNameidBucketCount;
    count.type = PropType::Int32;
    count.bytes = {kBuckets, 0, 0, 0};
    props.push_back(count);
    binary(pst::prop::kNameidStreamGuid, guids.take());
    binary(pst::prop::kNameidStreamEntry, entries.take());
    binary(pst::prop::kNameidStreamString, strings.take());
    for (uint32_t b = 0; b < kBuckets; ++b) {
        if (buckets[b].size() > 0) {
            binary(static_cast<uint16_t>(pst::prop::kNameidBucketBase + b), buckets[b].take());
        }
    }
    NodeBuilder node(ndb);
    const BlockId data = writePropertyContext(node, std::move(props));
    ndb.addNode(pst::nid::kNameToIdMap, data, node.finishSubnodes(), NodeId());
}

}  // namespace pellmark::pstwriter
