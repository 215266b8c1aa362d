// The file header ([MS-PST] 2.2.2.6) with its ROOT ([MS-PST] 2.2.2.5), in both layouts.

#include <algorithm>

#include "base/Crc32.h"
#include "pstwriter/ndb/NdbWriter.h"

namespace pellmark::pstwriter {
namespace {

constexpr uint8_t kMagic[4] = {0x21, 0x42, 0x44, 0x4E};  // "!BDN"
constexpr uint16_t kMagicClientPst = 0x4D53;             // "SM"
constexpr uint16_t kMagicClientOst = 0x4F53;  // "SO": Outlook writes 4 KiB pages only there
constexpr uint16_t kVersionClient = 19;
constexpr uint8_t kAMapValid = 0x02;
constexpr uint8_t kSentinel = 0x80;

// rgnid holds, per node type, the last index handed out; Outlook starts each type at these
// values and allocates upward from them.
uint32_t nidFloor(size_t type) {
    switch (static_cast<NodeType>(type)) {
        case NodeType::SearchFolder:
            return 0x4000;
        case NodeType::NormalMessage:
            return 0x10000;
        case NodeType::AssocMessage:
            return 0x8000;
        default:
            return 0x400;
    }
}

}  // namespace

ByteVec NdbWriter::headerBytes(const PageRef& nbt, const PageRef& bbt,
                               const SpaceMap::Totals& maps) const {
    const size_t w = idSize();
    ByteBuffer h(564);
    h.bytes(kMagic);
    h.u32(0);  // dwCRCPartial, below
    h.u16(is4k() ? kMagicClientOst : kMagicClientPst);
    h.u16(is4k()      ? pst::kVersionUnicode4k
          : unicode() ? pst::kVersionUnicode
                      : pst::kVersionAnsiMin);
    h.u16(kVersionClient);
    h.u8(1);  // bPlatformCreate
    h.u8(1);  // bPlatformAccess
    h.u32(0);
    h.u32(0);
    const uint64_t next = bidCounter_ + 4;
    if (unicode()) {
        h.u64(0);     // bidUnused
        h.u64(next);  // bidNextP
    } else {
        h.u32(static_cast<uint32_t>(next));  // bidNextB
        h.u32(static_cast<uint32_t>(next));  // bidNextP
    }
    h.u32(1);  // dwUnique
    for (size_t t = 0; t < 32; ++t) h.u32(std::max(nidFloor(t), nidHigh_[t]));
    if (unicode()) h.u64(0);  // qwUnused

    // ROOT
    h.u32(0);
    h.uint(space_.fileSize(), w);
    h.uint(maps.lastAMap, w);
    h.uint(maps.amapFree, w);
    h.uint(maps.pmapFree, w);
    h.uint(nbt.bid, w);
    h.uint(nbt.ib, w);
    h.uint(bbt.bid, w);
    h.uint(bbt.ib, w);
    h.u8(kAMapValid);
    h.u8(0);
    h.u16(0);

    if (unicode()) h.u32(0);  // dwAlign
    h.bytes(maps.headerFreeMap);
    h.fill(128, is4k() ? 0 : 0xFF);  // rgbFP: every PMap has pages to offer (none in 4 KiB files)
    h.u8(kSentinel);
    h.u8(static_cast<uint8_t>(crypt_));
    h.u16(0);
    if (unicode()) {
        h.u64(next);  // bidNextB
        h.u32(0);     // dwCRCFull, below
    } else {
        h.u64(0);
        h.u32(0);
    }
    h.zeros(3 + 1 + 32);

    ByteVec& b = h.vec();
    h.patch32(4, base::computeCrc(ConstBytes(b).subspan(8, 471)));
    if (unicode()) h.patch32(524, base::computeCrc(ConstBytes(b).subspan(8, 516)));
    return h.take();
}

}  // namespace pellmark::pstwriter
