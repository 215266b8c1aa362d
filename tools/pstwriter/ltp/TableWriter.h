#pragma once
// A table context ([MS-PST] 2.3.4) written row by row: cell values go to the heap as rows
// arrive, full blocks of the row matrix go to the file, and only the row index (8 bytes a row)
// stays in memory until finish().

#include <cstdint>
#include <utility>
#include <vector>

#include "pstwriter/ndb/NodeBuilder.h"

namespace pellmark::pstwriter {

class TableWriter {
  public:
    // `columns` in display order; the row id and row version columns are put first.
    TableWriter(NodeBuilder& node, const std::vector<PropTag>& columns);

    // Adds a row; cells are taken from `values` where id and stored type match a column.
    void addRow(uint32_t rowId, const std::vector<StoredProp>& values);
    size_t rowCount() const { return index_.size(); }
    // Writes the table and returns the node's data block.
    BlockId finish();

  private:
    struct Column {
        PropTag tag;
        uint16_t offset = 0;
        uint8_t size = 0;
        uint8_t bit = 0;
    };
    void layOut(const std::vector<PropTag>& tags);
    void flushRows();

    NodeBuilder& node_;
    HeapWriter heap_;
    Hid info_ = 0;
    std::vector<Column> columns_;
    uint16_t ends_[4] = {};  // rgib: ends of the 4-, 2- and 1-byte groups and the cell bitmap
    size_t rowSize_ = 0;
    size_t rowsPerBlock_ = 0;
    ByteVec pending_;
    std::vector<LeafBlock> rowBlocks_;
    std::vector<std::pair<uint32_t, uint32_t>> index_;  // row id, row number
};

}  // namespace pellmark::pstwriter
