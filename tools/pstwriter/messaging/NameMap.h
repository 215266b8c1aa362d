#pragma once
// The store's named-property map ([MS-PST] 2.4.7): every named property used anywhere gets the
// next id from 0x8000 on, and the map is written once, at the end, to node 0x61.

#include <cstdint>
#include <map>
#include <vector>

#include "pstwriter/ltp/PropValue.h"
#include "pstwriter/ndb/NdbWriter.h"

namespace pellmark::pstwriter {

class NameMap {
  public:
    // Starts with the standard names of the item kinds registered, so that every file has a
    // populated map and the same ids for them.
    NameMap();
    // The property id for `name`, assigned on first use. Throws std::runtime_error when the
    // 0x8000-0xFFFE range is used up.
    uint16_t idFor(const NamedProp& name);
    size_t size() const { return order_.size(); }
    void write(NdbWriter& ndb) const;

  private:
    std::map<NamedProp, uint16_t> ids_;
    std::vector<NamedProp> order_;
};

}  // namespace pellmark::pstwriter
