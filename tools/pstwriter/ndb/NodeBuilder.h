#pragma once
// What is gathered while one node is built: the subnodes it gets, and where its values go.
// Values up to a heap allocation's limit live in the node's heap; larger ones become subnodes
// of their own ([MS-PST] 2.3.3.2, HNID), written block by block.

#include <cstdint>

#include "pstwriter/ltp/HeapWriter.h"
#include "pstwriter/ltp/ValueEncoder.h"
#include "pstwriter/ndb/SubnodeTree.h"

namespace pellmark::pstwriter {

class NodeBuilder {
  public:
    explicit NodeBuilder(NdbWriter& ndb) : ndb_(ndb) {}

    NdbWriter& ndb() { return ndb_; }
    SubnodeTree& subnodes() { return subnodes_; }
    NodeId newValueNid() { return NodeId(NodeType::Ltp, ++nextValueIndex_); }

    // The HNID of a variable-size value: 0 when empty, a heap id, or a subnode id.
    uint32_t storeVariable(HeapWriter& heap, const StoredProp& value);
    uint32_t storeVariable(HeapWriter& heap, ConstBytes bytes);
    // Writes the subnode tree gathered so far; the node's bidSub.
    BlockId finishSubnodes() { return subnodes_.write(ndb_); }

  private:
    uint32_t storeStream(const ContentSource& source);

    NdbWriter& ndb_;
    SubnodeTree subnodes_;
    uint32_t nextValueIndex_ = 0x400;
};

// Writes a property context ([MS-PST] 2.3.3) and returns the node's data block.
BlockId writePropertyContext(NodeBuilder& node, std::vector<StoredProp> props);

}  // namespace pellmark::pstwriter
