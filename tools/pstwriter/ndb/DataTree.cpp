#include "pstwriter/ndb/DataTree.h"

#include <algorithm>
#include <stdexcept>

namespace pellmark::pstwriter {
namespace {

constexpr uint8_t kBlockTypeData = 0x01;
constexpr size_t kXHeader = 8;  // btype, cLevel, cEnt, lcbTotal

struct Built {
    BlockId bid;
    uint64_t size;
};

Built writeXBlock(NdbWriter& ndb, uint8_t level, const std::vector<Built>& children) {
    uint64_t total = 0;
    for (const Built& c : children) total += c.size;
    if (total > 0xFFFFFFFFull) throw std::runtime_error("node data larger than 4 GB");
    ByteBuffer b(ndb.maxBlockData());
    b.u8(kBlockTypeData);
    b.u8(level);
    b.u16(static_cast<uint16_t>(children.size()));
    b.u32(static_cast<uint32_t>(total));
    for (const Built& c : children) b.uint(c.bid.value, ndb.idSize());
    return {ndb.writeBlock(b.span(), true), total};
}

}  // namespace

BlockId buildDataTree(NdbWriter& ndb, const std::vector<LeafBlock>& leaves) {
    if (leaves.empty()) return BlockId();
    if (leaves.size() == 1) return leaves.front().bid;
    const size_t perBlock = (ndb.maxBlockData() - kXHeader) / ndb.idSize();
    std::vector<Built> level;
    for (const LeafBlock& l : leaves) level.push_back({l.bid, l.size});
    for (uint8_t depth = 1; level.size() > 1 || depth == 1; ++depth) {
        if (depth > 2) throw std::runtime_error("node data too large for an XXBLOCK");
        std::vector<Built> up;
        for (size_t first = 0; first < level.size(); first += perBlock) {
            const size_t n = std::min(perBlock, level.size() - first);
            std::vector<Built> group(level.begin() + first, level.begin() + first + n);
            up.push_back(writeXBlock(ndb, depth, group));
        }
        level = std::move(up);
    }
    return level.front().bid;
}

void StreamWriter::append(ConstBytes data) {
    size_ += data.size();
    const size_t block = ndb_.maxBlockData();
    while (!data.empty()) {
        const size_t take = std::min(block - pending_.size(), data.size());
        pending_.insert(pending_.end(), data.begin(), data.begin() + take);
        data = data.subspan(take);
        if (pending_.size() == block) {
            leaves_.push_back({ndb_.writeBlock(pending_), static_cast<uint32_t>(block)});
            pending_.clear();
        }
    }
}

BlockId StreamWriter::finish() {
    if (!pending_.empty()) {
        leaves_.push_back({ndb_.writeBlock(pending_), static_cast<uint32_t>(pending_.size())});
        pending_.clear();
    }
    return buildDataTree(ndb_, leaves_);
}

BlockId writeStream(NdbWriter& ndb, ConstBytes data) {
    StreamWriter s(ndb);
    s.append(data);
    return s.finish();
}

}  // namespace pellmark::pstwriter
