#pragma once
// The table context ([MS-PST] 2.3.4): fixed-size rows in a row matrix (a heap allocation or a
// subnode spread over blocks), columns described by TCOLDESC, cell presence by a bitmap.

#include <cstdint>
#include <optional>
#include <vector>

#include "mapi/PropValue.h"
#include "pst/ltp/Heap.h"

namespace pellmark::pst {

struct TableColumn {
    mapi::PropTag tag = 0;
    uint16_t offset = 0;  // ibData
    uint8_t size = 0;     // cbData
    uint8_t bit = 0;      // iBit in the cell existence bitmap
};

class TableContext {
  public:
    explicit TableContext(const Node& node);

    const Node& node() const { return heap_.node(); }
    const std::vector<TableColumn>& columns() const { return columns_; }
    const TableColumn* column(uint16_t propId) const;
    size_t rowCount() const { return rowCount_; }
    size_t rowSize() const { return rowSize_; }

    // dwRowID of a row: the node id the row describes in hierarchy, contents and attachment
    // tables.
    uint32_t rowId(size_t row) const;
    // A cell, or nullopt when the row does not hold it.
    std::optional<mapi::PropValue> cell(size_t row, const TableColumn& col) const;
    std::optional<mapi::PropValue> cell(size_t row, uint16_t propId) const;
    // Every present cell of a row (recipient tables keep all recipient properties so).
    std::vector<std::pair<mapi::PropTag, mapi::PropValue>> rowValues(size_t row) const;

  private:
    // The bytes of one row; valid until a row of another block is read.
    Bytes row(size_t index) const;

    Heap heap_;
    std::vector<TableColumn> columns_;
    size_t rowSize_ = 0;
    size_t bitmapOffset_ = 0;
    size_t rowCount_ = 0;
    uint32_t rowsHnid_ = 0;
    // Rows in a heap allocation, or in the blocks of a subnode's data.
    Bytes heapRows_;
    DataTree rowTree_;
    size_t rowsPerBlock_ = 0;
    // The block of the rows last read, alone: a folder of 500,000 items has some 50 MB of rows,
    // read in order when its items are listed.
    mutable size_t heldIndex_ = 0;
    mutable BlockData held_;
};

}  // namespace pellmark::pst
