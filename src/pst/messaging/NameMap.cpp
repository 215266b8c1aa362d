#include "pst/messaging/NameMap.h"

#include <cstring>

#include "mapi/CodepageText.h"
#include "pst/ltp/PropertyContext.h"

namespace pellmark::pst {
namespace {
constexpr uint16_t kStreamGuid = 0x0002;
constexpr uint16_t kStreamEntry = 0x0003;
constexpr uint16_t kStreamString = 0x0004;
constexpr uint16_t kFirstNamedId = 0x8000;
}  // namespace

NameMap::NameMap(const Ndb& db) {
    if (!db.findNode(nid::kNameToIdMap)) return;
    PropertyContext pc(Node::open(db, nid::kNameToIdMap));
    auto guids = pc.get(kStreamGuid);
    auto entries = pc.get(kStreamEntry);
    auto strings = pc.get(kStreamString);
    if (!entries) return;
    ByteView g(guids ? Bytes(guids->bytes) : Bytes{}, ErrorCode::BadProperty);
    ByteView e(entries->bytes, ErrorCode::BadProperty);
    ByteView s(strings ? Bytes(strings->bytes) : Bytes{}, ErrorCode::BadProperty);

    for (size_t off = 0; off + 8 <= e.size(); off += 8) {
        const uint32_t key = e.u32(off);
        const uint16_t guidField = e.u16(off + 4);
        const uint16_t id = static_cast<uint16_t>(kFirstNamedId + e.u16(off + 6));
        const uint16_t guidIndex = guidField >> 1;
        mapi::NamedProperty p;
        if (guidIndex == 1) {
            p.guid = mapi::psetid::kMapi;
        } else if (guidIndex == 2) {
            p.guid = mapi::psetid::kPublicStrings;
        } else if (guidIndex >= 3 && g.fits(size_t{guidIndex - 3u} * 16, 16)) {
            std::memcpy(p.guid.bytes.data(), g.data() + size_t{guidIndex - 3u} * 16, 16);
        } else {
            continue;  // an entry naming no known set: skip it, keep the rest of the map
        }
        p.isString = (guidField & 1) != 0;
        if (p.isString) {
            if (!s.fits(key, 4)) continue;
            const uint32_t len = s.u32(key);
            if (!s.fits(size_t{key} + 4, len)) continue;
            p.name = mapi::utf16ToUtf8(s.sub(size_t{key} + 4, len));
            byName_.emplace(std::make_pair(p.guid, p.name), id);
        } else {
            p.lid = key;
            byLid_.emplace(std::make_pair(p.guid, p.lid), id);
        }
        byId_.emplace(id, std::move(p));
    }
}

std::optional<mapi::NamedProperty> NameMap::nameOf(uint16_t propId) const {
    auto it = byId_.find(propId);
    if (it == byId_.end()) return std::nullopt;
    return it->second;
}

std::optional<uint16_t> NameMap::idOf(const mapi::Guid& guid, uint32_t lid) const {
    auto it = byLid_.find({guid, lid});
    if (it == byLid_.end()) return std::nullopt;
    return it->second;
}

std::optional<uint16_t> NameMap::idOf(const mapi::Guid& guid, const std::string& name) const {
    auto it = byName_.find({guid, name});
    if (it == byName_.end()) return std::nullopt;
    return it->second;
}

}  // namespace pellmark::pst
