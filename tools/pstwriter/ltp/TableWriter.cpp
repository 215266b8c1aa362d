#include "pstwriter/ltp/TableWriter.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "mapi/Tags.h"
#include "pst/ltp/PstTags.h"
#include "pstwriter/ltp/BthWriter.h"

namespace pellmark::pstwriter {
namespace {

constexpr PropTag kRowIdTag = mapi::makeTag(pst::prop::kLtpRowId, PropType::Int32);
constexpr PropTag kRowVerTag = mapi::makeTag(pst::prop::kLtpRowVer, PropType::Int32);

// Cell width in a row: fixed values up to 8 bytes in place, everything else as an HNID.
uint8_t cellSize(PropType t) {
    if (mapi::isMultiValued(t)) return 4;
    const uint32_t fixed = mapi::fixedSize(t);
    return fixed == 0 || fixed > 8 ? 4 : static_cast<uint8_t>(fixed);
}

}  // namespace

TableWriter::TableWriter(NodeBuilder& node, const std::vector<PropTag>& columns)
    : node_(node), heap_(node.ndb(), Heap::kTypeTable) {
    layOut(columns);
    // TCINFO goes first so that it lands in the heap's first block, the one that can still be
    // patched when the row index and matrix are known.
    info_ = heap_.allocate(ByteVec(22 + 8 * columns_.size(), 0));
    heap_.setRoot(info_);
    rowsPerBlock_ = node_.ndb().maxBlockData() / rowSize_;
}

void TableWriter::layOut(const std::vector<PropTag>& tags) {
    std::vector<PropTag> order = {kRowIdTag, kRowVerTag};
    for (PropTag t : tags) {
        if (std::find(order.begin(), order.end(), t) == order.end()) order.push_back(t);
    }
    if (order.size() > 255) throw std::invalid_argument("a table has at most 255 columns");
    for (size_t i = 0; i < order.size(); ++i) {
        columns_.push_back(
            {order[i], 0, cellSize(mapi::tagType(order[i])), static_cast<uint8_t>(i)});
    }
    uint16_t at = 0;
    for (int group = 0; group < 3; ++group) {
        for (Column& c : columns_) {
            const bool wide = c.size >= 4;
            if ((group == 0 && wide) || (group == 1 && c.size == 2) ||
                (group == 2 && c.size == 1)) {
                c.offset = at;
                at = static_cast<uint16_t>(at + c.size);
            }
        }
        ends_[group] = at;
    }
    ends_[3] = static_cast<uint16_t>(at + (columns_.size() + 7) / 8);
    rowSize_ = ends_[3];
}

void TableWriter::addRow(uint32_t rowId, const std::vector<StoredProp>& values) {
    ByteVec row(rowSize_, 0);
    auto setBit = [&](uint8_t bit) {
        row[ends_[2] + bit / 8] |= static_cast<uint8_t>(0x80u >> (bit % 8));
    };
    for (const Column& c : columns_) {
        uint32_t word = 0;
        const uint8_t* src = nullptr;
        ByteVec fixed;
        if (c.tag == kRowIdTag || c.tag == kRowVerTag) {
            word = rowId;
            src = reinterpret_cast<const uint8_t*>(&word);
        } else {
            auto it = std::find_if(values.begin(), values.end(),
                                   [&](const StoredProp& p) { return p.tag() == c.tag; });
            if (it == values.end()) continue;
            const PropType t = mapi::tagType(c.tag);
            if (!mapi::isMultiValued(t) && mapi::fixedSize(t) == c.size) {
                fixed = it->bytes;
                fixed.resize(c.size, 0);
                src = fixed.data();
            } else {
                word = node_.storeVariable(heap_, *it);
                src = reinterpret_cast<const uint8_t*>(&word);
            }
        }
        std::memcpy(row.data() + c.offset, src, c.size);
        setBit(c.bit);
    }
    const bool ansi = !node_.ndb().unicode();
    if (ansi && index_.size() >= 0xFFFF) {
        throw std::runtime_error("an ANSI table holds at most 65,535 rows");
    }
    index_.emplace_back(rowId, static_cast<uint32_t>(index_.size()));
    pending_.insert(pending_.end(), row.begin(), row.end());
    if (pending_.size() == rowsPerBlock_ * rowSize_) flushRows();
}

// Rows never span blocks: each block of the matrix holds whole rows only.
void TableWriter::flushRows() {
    rowBlocks_.push_back(
        {node_.ndb().writeBlock(pending_), static_cast<uint32_t>(pending_.size())});
    pending_.clear();
}

BlockId TableWriter::finish() {
    uint32_t rows = 0;
    if (rowBlocks_.empty() && pending_.size() <= HeapWriter::kMaxAllocation) {
        if (!pending_.empty()) rows = heap_.allocate(pending_);
    } else {
        if (!pending_.empty()) flushRows();
        const NodeId nid = node_.newValueNid();
        node_.subnodes().add(nid, buildDataTree(node_.ndb(), rowBlocks_), BlockId());
        rows = nid.value;
    }
    std::sort(index_.begin(), index_.end());
    const bool unicode = node_.ndb().unicode();
    ByteBuffer records(index_.size() * 8);
    for (const auto& [id, number] : index_) {
        records.u32(id);
        if (unicode)
            records.u32(number);
        else
            records.u16(static_cast<uint16_t>(number));
    }
    const Hid rowIndex = writeBth(heap_, 4, unicode ? 4 : 2, records.span());

    ByteBuffer info;
    info.u8(Heap::kTypeTable);
    info.u8(static_cast<uint8_t>(columns_.size()));
    for (uint16_t e : ends_) info.u16(e);
    info.u32(rowIndex);
    info.u32(rows);
    info.u32(0);  // hidIndex, deprecated
    std::vector<Column> byTag = columns_;
    std::sort(byTag.begin(), byTag.end(),
              [](const Column& a, const Column& b) { return a.tag < b.tag; });
    for (const Column& c : byTag) {
        info.u32(c.tag);
        info.u16(c.offset);
        info.u8(c.size);
        info.u8(c.bit);
    }
    heap_.patch(info_, info.span());
    return heap_.finish();
}

}  // namespace pellmark::pstwriter
