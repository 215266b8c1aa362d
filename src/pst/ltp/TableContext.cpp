#include "pst/ltp/TableContext.h"

#include <algorithm>

#include "pst/ltp/HeapValue.h"

namespace pellmark::pst {
namespace {
// TCINFO rgib indexes: ends of the 4-, 2- and 1-byte cell areas, and the row size.
constexpr size_t kTci1b = 2;
constexpr size_t kTciBm = 3;
}  // namespace

TableContext::TableContext(const Node& node) : heap_(node, Heap::kTypeTable) {
    const uint32_t nid = node.id().value;
    ByteView v(heap_.item(heap_.userRoot()), ErrorCode::BadTable);
    if (v.size() < 22 || v.u8(0) != Heap::kTypeTable) {
        throw PstError(ErrorCode::BadTable, "missing table header", PstError::kNoOffset, 0, nid);
    }
    const uint8_t cols = v.u8(1);
    bitmapOffset_ = v.u16(2 + 2 * kTci1b);
    rowSize_ = v.u16(2 + 2 * kTciBm);
    rowsHnid_ = v.u32(14);
    v.require(22, size_t{cols} * 8, "column descriptions");
    for (size_t i = 0; i < cols; ++i) {
        const size_t off = 22 + 8 * i;
        TableColumn c{v.u32(off), v.u16(off + 4), v.u8(off + 6), v.u8(off + 7)};
        if (size_t{c.offset} + c.size > rowSize_ || c.bit / 8 + bitmapOffset_ >= rowSize_) {
            throw PstError(ErrorCode::BadTable, "column outside the row", PstError::kNoOffset, 0,
                           nid);
        }
        columns_.push_back(c);
    }
    if (rowsHnid_ == 0 || rowSize_ == 0) return;  // a table without rows
    if (isHid(rowsHnid_)) {
        heapRows_ = heap_.item(rowsHnid_);
        rowCount_ = heapRows_.size() / rowSize_;
        return;
    }
    auto sub = node.subnode(NodeId(rowsHnid_));
    if (!sub) {
        throw PstError(ErrorCode::NotFound, "row matrix subnode missing", PstError::kNoOffset, 0,
                       nid);
    }
    rowTree_ = sub->data();
    const size_t blocks = rowTree_.blockCount();
    if (blocks == 0) return;
    // Rows never span blocks; every block but the last holds as many as fit.
    rowsPerBlock_ = rowTree_.blockSize(0) / rowSize_;
    if (rowsPerBlock_ == 0) {
        throw PstError(ErrorCode::BadTable, "row larger than a block", PstError::kNoOffset, 0, nid);
    }
    rowCount_ = (blocks - 1) * rowsPerBlock_ + rowTree_.blockSize(blocks - 1) / rowSize_;
}

Bytes TableContext::row(size_t index) const {
    if (index >= rowCount_) {
        throw PstError(ErrorCode::OutOfBounds, "row index beyond the table", PstError::kNoOffset, 0,
                       node().id().value);
    }
    if (rowsPerBlock_ == 0) return heapRows_.subspan(index * rowSize_, rowSize_);
    const size_t block = index / rowsPerBlock_;
    if (!held_ || heldIndex_ != block) {
        held_ = rowTree_.block(block);
        heldIndex_ = block;
    }
    ByteView v(*held_, ErrorCode::BadTable);
    return v.sub((index % rowsPerBlock_) * rowSize_, rowSize_, "table row");
}

const TableColumn* TableContext::column(uint16_t propId) const {
    for (const auto& c : columns_) {
        if (mapi::tagId(c.tag) == propId) return &c;
    }
    return nullptr;
}

uint32_t TableContext::rowId(size_t index) const {
    return ByteView(row(index)).u32(0);
}

std::optional<mapi::PropValue> TableContext::cell(size_t index, const TableColumn& col) const {
    ByteView r(row(index), ErrorCode::BadTable);
    const uint8_t present = r.u8(bitmapOffset_ + col.bit / 8) & (0x80 >> (col.bit % 8));
    if (!present) return std::nullopt;
    const mapi::PropType type = mapi::tagType(col.tag);
    const uint32_t size = mapi::fixedSize(type);
    const bool inl = !mapi::isMultiValued(type) && size > 0 && size <= 8 && col.size == size;
    if (!inl && col.size != 4) {
        throw PstError(ErrorCode::BadTable, "variable-size cell is not an HNID",
                       PstError::kNoOffset, 0, node().id().value);
    }
    Bytes cellBytes = r.sub(col.offset, col.size);
    return makeValue(heap_, type, inl, cellBytes, inl ? 0 : ByteView(cellBytes).u32(0));
}

std::optional<mapi::PropValue> TableContext::cell(size_t index, uint16_t propId) const {
    const TableColumn* c = column(propId);
    if (!c) return std::nullopt;
    return cell(index, *c);
}

std::vector<std::pair<mapi::PropTag, mapi::PropValue>> TableContext::rowValues(size_t index) const {
    std::vector<std::pair<mapi::PropTag, mapi::PropValue>> out;
    for (const auto& c : columns_) {
        if (auto v = cell(index, c)) out.emplace_back(c.tag, std::move(*v));
    }
    return out;
}

}  // namespace pellmark::pst
