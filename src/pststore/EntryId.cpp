#include "pststore/EntryId.h"

#include <algorithm>
#include <array>

namespace pellmark::pststore {
namespace {

// The component's UID for the stores it opens ("Pellmark PST UID" scrambled into a GUID).
constexpr std::array<uint8_t, 16> kStoreUid = {0x50, 0x4D, 0x4B, 0x31, 0x7A, 0x2E, 0x46, 0x43,
                                               0x9B, 0x02, 0x5C, 0x11, 0xD3, 0x6E, 0xA0, 0x47};
constexpr size_t kFlagsSize = 4;

}  // namespace

std::string toHex(const std::vector<uint8_t>& bytes) {
    static const char* const kDigits = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 0x0F];
    }
    return out;
}

std::optional<std::vector<uint8_t>> fromHex(const std::string& hex) {
    if (hex.size() % 2 != 0) return std::nullopt;
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    std::vector<uint8_t> out;
    out.reserve(hex.size() / 2);
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int hi = digit(hex[i]), lo = digit(hex[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out.push_back(static_cast<uint8_t>(hi << 4 | lo));
    }
    return out;
}

std::string storeEntryId(const std::string& absolutePath) {
    std::vector<uint8_t> bytes(kFlagsSize, 0);
    bytes.insert(bytes.end(), kStoreUid.begin(), kStoreUid.end());
    bytes.insert(bytes.end(), absolutePath.begin(), absolutePath.end());
    return toHex(bytes);
}

std::optional<std::string> storePathFromEntryId(const std::string& id) {
    auto bytes = fromHex(id);
    const size_t head = kFlagsSize + kStoreUid.size();
    if (!bytes || bytes->size() <= head ||
        !std::all_of(bytes->begin(), bytes->begin() + kFlagsSize,
                     [](uint8_t b) { return b == 0; }) ||
        !std::equal(kStoreUid.begin(), kStoreUid.end(), bytes->begin() + kFlagsSize)) {
        return std::nullopt;
    }
    return std::string(bytes->begin() + head, bytes->end());
}

std::string objectEntryId(const std::vector<uint8_t>& recordKey, uint32_t nid) {
    std::vector<uint8_t> bytes(kFlagsSize, 0);
    std::vector<uint8_t> key = recordKey;
    key.resize(16, 0);  // a store whose record key is damaged still gets well-formed ids
    bytes.insert(bytes.end(), key.begin(), key.end());
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(nid >> (8 * i)));
    return toHex(bytes);
}

std::string recoveredEntryId(const std::vector<uint8_t>& recordKey, uint32_t nid,
                             uint64_t bidData) {
    std::string id = objectEntryId(recordKey, nid);
    std::vector<uint8_t> bid;
    for (int i = 0; i < 8; ++i) bid.push_back(static_cast<uint8_t>(bidData >> (8 * i)));
    return id + toHex(bid);
}

std::optional<ObjectEntryId> parseObjectEntryId(const std::string& id) {
    auto bytes = fromHex(id);
    if (!bytes || bytes->size() != kFlagsSize + 16 + 4) return std::nullopt;
    ObjectEntryId out;
    out.recordKey.assign(bytes->begin() + kFlagsSize, bytes->begin() + kFlagsSize + 16);
    for (int i = 0; i < 4; ++i) out.nid |= uint32_t{(*bytes)[kFlagsSize + 16 + i]} << (8 * i);
    return out;
}

}  // namespace pellmark::pststore
