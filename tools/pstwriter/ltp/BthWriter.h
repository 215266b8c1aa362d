#pragma once
// BTree-on-heap ([MS-PST] 2.3.2): records sorted by key, packed into leaf allocations, with
// index levels above them when one allocation cannot hold them all.

#include "pstwriter/ltp/HeapWriter.h"

namespace pellmark::pstwriter {

// `records` holds count * (keySize + dataSize) bytes in ascending key order. Returns the HID of
// the BTHHEADER.
Hid writeBth(HeapWriter& heap, uint8_t keySize, uint8_t dataSize, ConstBytes records);

}  // namespace pellmark::pstwriter
