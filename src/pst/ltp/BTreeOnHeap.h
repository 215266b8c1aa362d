#pragma once
// The BTree-on-heap ([MS-PST] 2.3.2): sorted fixed-size records in heap allocations, the index
// of property and table contexts.

#include <cstdint>
#include <functional>
#include <optional>

#include "pst/ltp/Heap.h"

namespace pellmark::pst {

class BTreeOnHeap {
  public:
    BTreeOnHeap(const Heap& heap, Hid header);

    uint8_t keySize() const { return keySize_; }
    uint8_t dataSize() const { return dataSize_; }

    // Every record in key order; stops when `visit` returns false.
    void forEach(const std::function<bool(Bytes key, Bytes data)>& visit) const;
    std::optional<Bytes> find(uint64_t key) const;

  private:
    uint64_t keyOf(ByteView v, size_t off) const;
    bool walk(Hid hid, int level, const std::function<bool(Bytes, Bytes)>& visit) const;

    const Heap* heap_;
    uint8_t keySize_ = 0;
    uint8_t dataSize_ = 0;
    uint8_t levels_ = 0;
    Hid root_ = 0;
};

}  // namespace pellmark::pst
