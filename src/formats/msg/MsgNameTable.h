#pragma once
// The named-property mapping of a .msg file ([MS-OXMSG] 2.2.3). The storage
// "__nameid_version1.0" lists the named properties the file uses, each under an id from
// 0x8000 up, with their property sets, and hash buckets that find a name's id.

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "mapi/NamedProperty.h"

namespace pellmark::formats {

inline constexpr char kNameStorageName[] = "__nameid_version1.0";

class MsgNameTable {
  public:
    // The id of a named property in the file; one not seen before gets the next free id.
    // Throws SaveError when no id is left.
    uint16_t idOf(const mapi::NamedProperty& name);
    size_t size() const { return entries_.size(); }

    // The streams of the mapping storage, by name: GUIDs, entries, names and the non-empty
    // hash buckets.
    std::vector<std::pair<std::string, std::vector<uint8_t>>> streams() const;

  private:
    using Key = std::tuple<mapi::Guid, bool, uint32_t, std::string>;

    std::map<Key, uint16_t> ids_;
    std::vector<mapi::NamedProperty> entries_;  // in id order
};

}  // namespace pellmark::formats
