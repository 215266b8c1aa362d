#pragma once
// The named-property mapping of a message file (`__nameid_version1.0`, [MS-OXMSG] 2.2.3): which
// set and number or name each id from 0x8000 stands for. Attached messages share the mapping
// of the file's root.

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "cfb/CompoundFileReader.h"
#include "mapi/NamedProperty.h"

namespace pellmark::msgfile {

class MsgNameMap {
  public:
    // The mapping in the root of `file`; empty when the file has none. Throws MsgError when
    // its streams do not hold what they say.
    static MsgNameMap read(const cfb::CompoundFileReader& file);

    std::optional<mapi::NamedProperty> nameOf(uint16_t propId) const;
    std::optional<uint16_t> idOf(const mapi::Guid& set, uint32_t lid) const;
    std::optional<uint16_t> idOf(const mapi::Guid& set, const std::string& name) const;
    size_t size() const { return names_.size(); }

  private:
    void add(uint16_t propId, mapi::NamedProperty name);

    std::map<uint16_t, mapi::NamedProperty> names_;
    std::map<std::pair<mapi::Guid, uint32_t>, uint16_t> byNumber_;
    std::map<std::pair<mapi::Guid, std::string>, uint16_t> byName_;
};

}  // namespace pellmark::msgfile
