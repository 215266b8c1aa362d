#include "formats/msg/MsgNameTable.h"

#include <algorithm>
#include <array>

#include "base/Crc32.h"
#include "formats/SaveError.h"
#include "formats/msg/MsgBytes.h"

namespace pellmark::formats {
namespace {

constexpr uint32_t kFirstId = 0x8000;
constexpr uint32_t kLastId = 0xFFFE;
// GUID indexes 1 and 2 stand for these two sets; the GUID stream holds the others from 3 up.
constexpr uint16_t kMapiIndex = 1;
constexpr uint16_t kPublicStringsIndex = 2;
constexpr uint16_t kFirstStreamedGuid = 3;
constexpr uint32_t kBucketCount = 0x1F;

// The mapping's streams are binary properties of ids 0x0002 to 0x0004 and 0x1000 up.
std::string streamName(uint32_t streamId) {
    return "__substg1.0_" + hex8(streamId << 16 | 0x0102);
}

}  // namespace

uint16_t MsgNameTable::idOf(const mapi::NamedProperty& name) {
    const Key key{name.guid, name.isString, name.isString ? 0 : name.lid,
                  name.isString ? name.name : std::string()};
    if (auto it = ids_.find(key); it != ids_.end()) return it->second;
    if (kFirstId + entries_.size() > kLastId) {
        throw SaveError("the item uses more named properties than a .msg file can hold");
    }
    const auto id = static_cast<uint16_t>(kFirstId + entries_.size());
    ids_.emplace(key, id);
    entries_.push_back(name);
    return id;
}

std::vector<std::pair<std::string, std::vector<uint8_t>>> MsgNameTable::streams() const {
    std::vector<mapi::Guid> guids;
    std::vector<uint8_t> guidStream, entryStream, stringStream;
    std::array<std::vector<uint8_t>, kBucketCount> buckets;

    for (size_t index = 0; index < entries_.size(); ++index) {
        const mapi::NamedProperty& p = entries_[index];
        uint16_t guidIndex;
        if (p.guid == mapi::psetid::kMapi) {
            guidIndex = kMapiIndex;
        } else if (p.guid == mapi::psetid::kPublicStrings) {
            guidIndex = kPublicStringsIndex;
        } else {
            // Sets are numbered in the order of their first use.
            auto it = std::find(guids.begin(), guids.end(), p.guid);
            if (it == guids.end()) {
                guids.push_back(p.guid);
                guidStream.insert(guidStream.end(), p.guid.bytes.begin(), p.guid.bytes.end());
                it = guids.end() - 1;
            }
            guidIndex = static_cast<uint16_t>(kFirstStreamedGuid + (it - guids.begin()));
        }
        const auto indexAndKind = static_cast<uint16_t>((guidIndex << 1) | (p.isString ? 1 : 0));

        // Numeric names are found by their number, string names by the CRC-32 of their
        // UTF-16 form; an entry stores the number or the name's offset in the string stream.
        uint32_t key = p.lid;
        uint32_t hash = p.lid;
        if (p.isString) {
            // Each name starts on a four-byte boundary; the last is not padded.
            stringStream.resize((stringStream.size() + 3) & ~size_t{3}, 0);
            key = static_cast<uint32_t>(stringStream.size());
            const std::vector<uint8_t> text = utf16le(p.name);
            appendLe32(stringStream, static_cast<uint32_t>(text.size()));
            stringStream.insert(stringStream.end(), text.begin(), text.end());
            hash = base::computeCrc(text);
        }
        appendLe32(entryStream, key);
        appendLe16(entryStream, indexAndKind);
        appendLe16(entryStream, static_cast<uint16_t>(index));

        std::vector<uint8_t>& bucket = buckets[(hash ^ indexAndKind) % kBucketCount];
        appendLe32(bucket, hash);
        appendLe16(bucket, indexAndKind);
        appendLe16(bucket, static_cast<uint16_t>(index));
    }

    std::vector<std::pair<std::string, std::vector<uint8_t>>> out;
    out.emplace_back(streamName(0x0002), std::move(guidStream));
    out.emplace_back(streamName(0x0003), std::move(entryStream));
    out.emplace_back(streamName(0x0004), std::move(stringStream));
    for (uint32_t b = 0; b < kBucketCount; ++b) {
        if (!buckets[b].empty()) out.emplace_back(streamName(0x1000 + b), std::move(buckets[b]));
    }
    return out;
}

}  // namespace pellmark::formats
