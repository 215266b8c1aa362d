#pragma once
// The property context ([MS-PST] 2.3.3): the properties of a folder, message or attachment,
// a BTree-on-heap from property id to type and value.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "mapi/ByteStream.h"
#include "mapi/PropValue.h"
#include "pst/ltp/BTreeOnHeap.h"

namespace pellmark::pst {

struct PropRecord {
    uint16_t id = 0;
    mapi::PropType type = mapi::PropType::Unspecified;
    uint32_t value = 0;  // the value itself, or where it is stored

    mapi::PropTag tag() const { return mapi::makeTag(id, type); }
};

class PropertyContext {
  public:
    explicit PropertyContext(const Node& node);

    const Node& node() const { return heap_.node(); }
    const Heap& heap() const { return heap_; }
    // Every property, in id order.
    const std::vector<PropRecord>& records() const { return records_; }
    std::optional<PropRecord> record(uint16_t id) const;
    bool has(uint16_t id) const { return record(id).has_value(); }

    // The value of a property, loaded whole; nullopt when absent. Throws PstError for a value
    // that cannot be read.
    std::optional<mapi::PropValue> get(uint16_t id) const;
    // Size of a value without reading it (subnode sizes come from the block B-tree).
    uint64_t valueSize(const PropRecord& r) const;
    // Streams a value (for attachment data of any size); nullptr when absent.
    std::unique_ptr<mapi::ByteStream> openStream(uint16_t id) const;
    // The subnode of a PtypObject value (an embedded message's node id).
    std::optional<NodeId> objectNode(uint16_t id) const;
    // Leaves out the properties whose values cannot be read (their subnodes or blocks lost),
    // for what is recovered of a message in part; returns how many went.
    size_t keepReadable();

  private:
    bool isInline(mapi::PropType t) const;

    Heap heap_;
    std::vector<PropRecord> records_;
};

}  // namespace pellmark::pst
