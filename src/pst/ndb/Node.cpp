#include "pst/ndb/Node.h"

#include <algorithm>

namespace pellmark::pst {
namespace {
constexpr uint8_t kSubnodeTreeType = 0x02;  // SLBLOCK (level 0) and SIBLOCK (level 1)
}

Node::Node(const Ndb& db, NodeId nid, BlockId bidData, BlockId bidSub, int depth)
    : db_(&db), nid_(nid), bidData_(bidData), bidSub_(bidSub), depth_(depth) {
    if (depth > kMaxDepth) {
        throw PstError(ErrorCode::TooDeep, "subnodes nested too deeply", PstError::kNoOffset, 0,
                       nid.value);
    }
}

Node Node::open(const Ndb& db, NodeId nid) {
    auto e = db.findNode(nid);
    if (!e) {
        throw PstError(ErrorCode::NotFound, "node missing from the node B-tree",
                       PstError::kNoOffset, 0, nid.value);
    }
    return Node(db, e->nid, e->bidData, e->bidSub);
}

const std::vector<SubnodeEntry>& Node::subnodes() const {
    if (!subnodes_) {
        auto list = std::make_shared<std::vector<SubnodeEntry>>();
        if (!bidSub_.null()) {
            BlockData top = db_->readBlock(bidSub_, nid_);
            ByteView v(*top, ErrorCode::BadBlock);
            loadSubnodes(bidSub_, v.u8(1), *list);
            std::stable_sort(
                list->begin(), list->end(),
                [](const SubnodeEntry& a, const SubnodeEntry& b) { return a.nid < b.nid; });
        }
        subnodes_ = std::move(list);
    }
    return *subnodes_;
}

void Node::loadSubnodes(BlockId bid, int level, std::vector<SubnodeEntry>& out) const {
    if (!bid.internal()) {
        throw PstError(ErrorCode::BadBlock, "subnode tree in an external block",
                       PstError::kNoOffset, bid.value, nid_.value);
    }
    BlockData data = db_->readBlock(bid, nid_);
    ByteView v(*data, ErrorCode::BadBlock);
    if (v.u8(0) != kSubnodeTreeType || v.u8(1) != level || level > 1) {
        throw PstError(ErrorCode::BadBlock, "not a subnode tree block of the expected level",
                       PstError::kNoOffset, bid.value, nid_.value);
    }
    const size_t w = db_->traits().idSize;
    const size_t head = w == 8 ? 8 : 4;  // Unicode pads the header to 8 bytes
    const uint16_t count = v.u16(2);
    const size_t entry = level == 0 ? 3 * w : 2 * w;
    v.require(head, size_t{count} * entry, "subnode entries");
    for (uint16_t i = 0; i < count; ++i) {
        const size_t off = head + i * entry;
        const auto nid = NodeId(static_cast<uint32_t>(v.uint(off, w)));
        if (level == 0) {
            out.push_back({nid, BlockId(v.uint(off + w, w)), BlockId(v.uint(off + 2 * w, w))});
        } else {
            loadSubnodes(BlockId(v.uint(off + w, w)), 0, out);
        }
    }
}

std::optional<Node> Node::subnode(NodeId nid) const {
    const auto& list = subnodes();
    auto it = std::lower_bound(list.begin(), list.end(), nid,
                               [](const SubnodeEntry& e, NodeId n) { return e.nid < n; });
    if (it == list.end() || it->nid != nid) return std::nullopt;
    Node child(*db_, it->nid, it->bidData, it->bidSub, depth_ + 1);
    child.lineage_ = std::make_shared<const Lineage>(Lineage{bidSub_.key(), lineage_});
    if (!child.bidSub_.null()) {
        for (const Lineage* l = child.lineage_.get(); l; l = l->parent.get()) {
            if (l->bidSub == child.bidSub_.key()) {
                throw PstError(ErrorCode::Cycle, "a subnode contains its own ancestor",
                               PstError::kNoOffset, child.bidSub_.value, nid.value);
            }
        }
    }
    return child;
}

}  // namespace pellmark::pst
