#pragma once
// A node: its data stream and its subnode tree ([MS-PST] 2.2.2.8.3.3). Nodes of the node B-tree
// and subnodes look the same to the layers above; a subnode may have subnodes of its own (an
// attachment holding an embedded message does).

#include <memory>
#include <optional>
#include <vector>

#include "pst/ndb/DataTree.h"

namespace pellmark::pst {

struct SubnodeEntry {
    NodeId nid;
    BlockId bidData;
    BlockId bidSub;
};

class Node {
  public:
    // Nesting of subnodes inside subnodes beyond this depth is treated as a damaged file.
    static constexpr int kMaxDepth = 64;

    Node(const Ndb& db, NodeId nid, BlockId bidData, BlockId bidSub, int depth = 0);
    // The node of the node B-tree; throws PstError(NotFound) when it is not there.
    static Node open(const Ndb& db, NodeId nid);

    const Ndb& db() const { return *db_; }
    NodeId id() const { return nid_; }
    BlockId bidData() const { return bidData_; }
    int depth() const { return depth_; }

    DataTree data() const { return DataTree(*db_, bidData_, nid_); }
    std::optional<Node> subnode(NodeId nid) const;
    const std::vector<SubnodeEntry>& subnodes() const;

  private:
    // The subnode trees of the node's ancestors: a subnode whose tree is one of them would
    // nest forever (an embedded message that contains itself).
    struct Lineage {
        uint64_t bidSub;
        std::shared_ptr<const Lineage> parent;
    };

    void loadSubnodes(BlockId bid, int level, std::vector<SubnodeEntry>& out) const;

    const Ndb* db_;
    NodeId nid_;
    BlockId bidData_;
    BlockId bidSub_;
    int depth_;
    std::shared_ptr<const Lineage> lineage_;
    // Loaded on first use and shared by copies; sorted by nid.
    mutable std::shared_ptr<std::vector<SubnodeEntry>> subnodes_;
};

}  // namespace pellmark::pst
