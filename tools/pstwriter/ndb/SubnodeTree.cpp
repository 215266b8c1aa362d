#include "pstwriter/ndb/SubnodeTree.h"

#include <algorithm>
#include <stdexcept>

namespace pellmark::pstwriter {
namespace {

constexpr uint8_t kBlockTypeSubnode = 0x02;

void header(ByteBuffer& b, const NdbWriter& ndb, uint8_t level, size_t count) {
    b.u8(kBlockTypeSubnode);
    b.u8(level);
    b.u16(static_cast<uint16_t>(count));
    if (ndb.unicode()) b.u32(0);  // dwPadding
}

}  // namespace

BlockId SubnodeTree::write(NdbWriter& ndb) {
    if (entries_.empty()) return BlockId();
    std::sort(entries_.begin(), entries_.end(),
              [](const Entry& a, const Entry& b) { return a.nid < b.nid; });
    for (size_t i = 1; i < entries_.size(); ++i) {
        if (entries_[i].nid == entries_[i - 1].nid) throw std::logic_error("subnode id reused");
    }
    const size_t w = ndb.idSize();
    const size_t head = ndb.unicode() ? 8 : 4;
    const size_t perLeaf = (ndb.maxBlockData() - head) / (3 * w);
    std::vector<std::pair<uint32_t, BlockId>> leaves;
    for (size_t first = 0; first < entries_.size(); first += perLeaf) {
        const size_t n = std::min(perLeaf, entries_.size() - first);
        ByteBuffer b(ndb.maxBlockData());
        header(b, ndb, 0, n);
        for (size_t i = first; i < first + n; ++i) {
            b.uint(entries_[i].nid, w);
            b.uint(entries_[i].data.value, w);
            b.uint(entries_[i].sub.value, w);
        }
        leaves.emplace_back(entries_[first].nid, ndb.writeBlock(b.span(), true));
    }
    if (leaves.size() == 1) return leaves.front().second;
    const size_t perIndex = (ndb.maxBlockData() - head) / (2 * w);
    if (leaves.size() > perIndex) throw std::runtime_error("too many subnodes in one node");
    ByteBuffer b(ndb.maxBlockData());
    header(b, ndb, 1, leaves.size());
    for (const auto& [nid, bid] : leaves) {
        b.uint(nid, w);
        b.uint(bid.value, w);
    }
    return ndb.writeBlock(b.span(), true);
}

}  // namespace pellmark::pstwriter
