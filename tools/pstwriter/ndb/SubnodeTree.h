#pragma once
// The subnodes of one node ([MS-PST] 2.2.2.8.3.3): an SLBLOCK of entries sorted by node id, or
// SLBLOCKs under an SIBLOCK when one block cannot hold them all.

#include <vector>

#include "pstwriter/ndb/NdbWriter.h"

namespace pellmark::pstwriter {

class SubnodeTree {
  public:
    void add(NodeId nid, BlockId data, BlockId sub) { entries_.push_back({nid.value, data, sub}); }
    bool empty() const { return entries_.empty(); }
    // Writes the tree and returns its root; a null id when there are no subnodes.
    BlockId write(NdbWriter& ndb);

  private:
    struct Entry {
        uint32_t nid;
        BlockId data;
        BlockId sub;
    };
    std::vector<Entry> entries_;
};

}  // namespace pellmark::pstwriter
