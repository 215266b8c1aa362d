#pragma once
// Entry identifiers as the component hands them out: upper-case hex, no '#', no blanks.
//  - a store: 4 zero bytes, the component's 16-byte store UID, the UTF-8 bytes of the data
//    file's absolute path; any later session finds the store again from it alone;
//  - a folder or item: 4 zero bytes, the store's PR_RECORD_KEY (16 bytes) and the node id,
//    little-endian: the form MAPI gives entry ids of objects in a .pst.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pellmark::pststore {

std::string toHex(const std::vector<uint8_t>& bytes);
std::optional<std::vector<uint8_t>> fromHex(const std::string& hex);

std::string storeEntryId(const std::string& absolutePath);
// The data file's path, or nullopt when `id` is not a store entry id of this component.
std::optional<std::string> storePathFromEntryId(const std::string& id);

struct ObjectEntryId {
    std::vector<uint8_t> recordKey;
    uint32_t nid = 0;
};

std::string objectEntryId(const std::vector<uint8_t>& recordKey, uint32_t nid);
std::optional<ObjectEntryId> parseObjectEntryId(const std::string& id);
// An item recovered from what the file no longer reaches: the item's form followed by the
// id of its data block (8 bytes, little-endian), so that an earlier version is never known by
// its live item's identifier. No folder or item lookup takes it.
std::string recoveredEntryId(const std::vector<uint8_t>& recordKey, uint32_t nid, uint64_t bidData);

}  // namespace pellmark::pststore
