#pragma once
// The heap-on-node ([MS-PST] 2.3.1): a node's data blocks seen as pages of small allocations,
// each addressed by a HID (block index, allocation index).

#include <cstdint>
#include <vector>

#include "pst/ndb/Node.h"

namespace pellmark::pst {

using Hid = uint32_t;

// A heap address or a subnode id: the low five bits tell which ([MS-PST] 2.3.3.2).
inline bool isHid(uint32_t hnid) {
    return (hnid & 0x1F) == 0;
}

// The block and allocation indexes of a HID above its five type bits: 16 and 11 bits wide, or
// 13 and 14 in the 4 KiB page variant, whose blocks hold up to 64 KiB of allocations (as Debian's
// libpff reads them; Outlook's own files of that variant agree wherever a heap has one block).
struct HidParts {
    uint32_t block;
    uint32_t index;
};
inline HidParts splitHid(Hid hid, bool widePages) {
    if (widePages) return {hid >> 19, (hid >> 5) & 0x3FFF};
    return {hid >> 16, (hid >> 5) & 0x7FF};
}
inline Hid makeHid(uint32_t block, uint32_t index, bool widePages) {
    return (block << (widePages ? 19 : 16)) | (index << 5);
}

class Heap {
  public:
    static constexpr uint8_t kSignature = 0xEC;
    static constexpr uint8_t kTypeTable = 0x7C;
    static constexpr uint8_t kTypeBTree = 0xB5;
    static constexpr uint8_t kTypeProperties = 0xBC;

    // Reads the heap header of the node's first block; throws PstError(BadHeap) when the node
    // is not a heap of `clientSig` (0 accepts any).
    Heap(const Node& node, uint8_t clientSig);

    const Node& node() const { return node_; }
    uint8_t clientSignature() const { return clientSig_; }
    Hid userRoot() const { return userRoot_; }

    // The bytes of one allocation; valid while the heap lives. HID 0 is the empty allocation.
    Bytes item(Hid hid) const;

  private:
    BlockData page(size_t index) const;

    Node node_;
    DataTree data_;
    uint8_t clientSig_ = 0;
    bool widePages_ = false;
    Hid userRoot_ = 0;
    mutable std::vector<BlockData> pages_;  // loaded on demand, kept so items stay valid
};

}  // namespace pellmark::pst
