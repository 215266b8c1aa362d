#pragma once
// The CRC of pages and blocks ([MS-PST] 5.3): CRC-32 with the reflected polynomial
// 0xEDB88320, started from the given value and without the final inversion of zlib's crc32.

#include <cstdint>

#include "pst/io/ByteView.h"

namespace pellmark::pst {

uint32_t computeCrc(Bytes data, uint32_t crc = 0);

}  // namespace pellmark::pst
