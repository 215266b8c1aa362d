#include "msgfile/MsgNameMap.h"

#include <algorithm>
#include <vector>

#include "mapi/CodepageText.h"
#include "msgfile/MsgFile.h"

namespace pellmark::msgfile {
namespace {

constexpr std::string_view kNameStorage = "__nameid_version1.0";
constexpr std::string_view kGuidStream = "__substg1.0_00020102";
constexpr std::string_view kEntryStream = "__substg1.0_00030102";
constexpr std::string_view kStringStream = "__substg1.0_00040102";
// Entries take 8 bytes: the number or the string's offset, then the kind and the set's index
// (16 bits), then the property's index from 0x8000 (16 bits).
constexpr size_t kEntrySize = 8;
// Set indexes 1 and 2 stand for PS_MAPI and PS_PUBLIC_STRINGS; 3 and up for the GUID stream.
constexpr uint32_t kFirstStreamGuid = 3;

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t{b[at + 3]} << 24;
}

std::vector<uint8_t> streamOf(const cfb::CompoundFileReader& file, cfb::EntryId storage,
                              std::string_view name) {
    const auto id = file.child(storage, name);
    if (!id || !file.isStream(*id)) return {};
    return file.readStream(*id);
}

mapi::Guid setOf(uint32_t index, const std::vector<uint8_t>& guids) {
    if (index == 1) return mapi::psetid::kMapi;
    if (index == 2) return mapi::psetid::kPublicStrings;
    const size_t at = size_t{index - kFirstStreamGuid} * 16;
    if (index < kFirstStreamGuid || guids.size() < 16 || at > guids.size() - 16) {
        throw MsgError("the named-property mapping names property set " + std::to_string(index) +
                       ", which its GUID stream does not hold");
    }
    mapi::Guid g;
    std::copy_n(guids.begin() + static_cast<std::ptrdiff_t>(at), 16, g.bytes.begin());
    return g;
}

// A name in the string stream: its length in bytes, then UTF-16LE.
std::string nameAt(uint32_t offset, const std::vector<uint8_t>& strings) {
    if (strings.size() < 4 || offset > strings.size() - 4) {
        throw MsgError("the named-property mapping points past its string stream");
    }
    const uint32_t length = le32(strings, offset);
    if (length > strings.size() - 4 - offset) {
        throw MsgError("a name of the named-property mapping runs past its string stream");
    }
    return mapi::utf16ToUtf8(mapi::Bytes(strings.data() + offset + 4, length));
}

}  // namespace

MsgNameMap MsgNameMap::read(const cfb::CompoundFileReader& file) {
    MsgNameMap map;
    const auto storage = file.child(file.root(), kNameStorage);
    if (!storage || !file.isStorage(*storage)) return map;
    const auto guids = streamOf(file, *storage, kGuidStream);
    const auto entries = streamOf(file, *storage, kEntryStream);
    const auto strings = streamOf(file, *storage, kStringStream);
    for (size_t at = 0; at + kEntrySize <= entries.size(); at += kEntrySize) {
        const uint32_t key = le32(entries, at);
        const uint32_t info = le32(entries, at + 4);
        mapi::NamedProperty name;
        name.guid = setOf((info & 0xFFFF) >> 1, guids);
        name.isString = (info & 1) != 0;
        if (name.isString) {
            name.name = nameAt(key, strings);
        } else {
            name.lid = key;
        }
        const uint32_t index = info >> 16;
        if (index > 0x7FFE) continue;  // no id is left for it below 0xFFFF
        map.add(static_cast<uint16_t>(0x8000 + index), std::move(name));
    }
    return map;
}

void MsgNameMap::add(uint16_t propId, mapi::NamedProperty name) {
    if (name.isString) {
        byName_.try_emplace({name.guid, name.name}, propId);
    } else {
        byNumber_.try_emplace({name.guid, name.lid}, propId);
    }
    names_.try_emplace(propId, std::move(name));
}

std::optional<mapi::NamedProperty> MsgNameMap::nameOf(uint16_t propId) const {
    const auto it = names_.find(propId);
    return it == names_.end() ? std::nullopt : std::optional(it->second);
}

std::optional<uint16_t> MsgNameMap::idOf(const mapi::Guid& set, uint32_t lid) const {
    const auto it = byNumber_.find({set, lid});
    return it == byNumber_.end() ? std::nullopt : std::optional(it->second);
}

std::optional<uint16_t> MsgNameMap::idOf(const mapi::Guid& set, const std::string& name) const {
    const auto it = byName_.find({set, name});
    return it == byName_.end() ? std::nullopt : std::optional(it->second);
}

}  // namespace pellmark::msgfile
