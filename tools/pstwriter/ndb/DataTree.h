#pragma once
// Node data of any length ([MS-PST] 2.2.2.8.3.2): a stream cut into data blocks as it is
// appended, with an XBLOCK, or an XXBLOCK of XBLOCKs, over them when it needs more than one.

#include <cstdint>
#include <vector>

#include "pstwriter/ndb/NdbWriter.h"

namespace pellmark::pstwriter {

struct LeafBlock {
    BlockId bid;
    uint32_t size = 0;
};

// The root of the data tree over `leaves` in order; a null id for no leaves.
BlockId buildDataTree(NdbWriter& ndb, const std::vector<LeafBlock>& leaves);

class StreamWriter {
  public:
    explicit StreamWriter(NdbWriter& ndb) : ndb_(ndb) {}
    void append(ConstBytes data);
    uint64_t size() const { return size_; }
    BlockId finish();

  private:
    NdbWriter& ndb_;
    ByteVec pending_;
    std::vector<LeafBlock> leaves_;
    uint64_t size_ = 0;
};

BlockId writeStream(NdbWriter& ndb, ConstBytes data);

}  // namespace pellmark::pstwriter
