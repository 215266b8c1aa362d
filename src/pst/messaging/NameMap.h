#pragma once
// The named-property map ([MS-PST] 2.4.7): property ids from 0x8000 up stand for a property set
// GUID plus a number (LID) or a name; the map is per file.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "mapi/NamedProperty.h"
#include "pst/ndb/Node.h"

namespace pellmark::pst {

class NameMap {
  public:
    NameMap() = default;
    // Reads the map node; a file without one has an empty map.
    explicit NameMap(const Ndb& db);

    std::optional<mapi::NamedProperty> nameOf(uint16_t propId) const;
    std::optional<uint16_t> idOf(const mapi::Guid& guid, uint32_t lid) const;
    std::optional<uint16_t> idOf(const mapi::Guid& guid, const std::string& name) const;
    size_t size() const { return byId_.size(); }

  private:
    std::map<uint16_t, mapi::NamedProperty> byId_;
    std::map<std::pair<mapi::Guid, uint32_t>, uint16_t> byLid_;
    std::map<std::pair<mapi::Guid, std::string>, uint16_t> byName_;
};

}  // namespace pellmark::pst
