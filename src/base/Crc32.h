#pragma once
// CRC-32 with the reflected polynomial 0xEDB88320, started from the given value and without the
// final inversion of zlib's crc32: the CRC of a .pst's pages and blocks ([MS-PST] 5.3), of
// compressed RTF ([MS-OXRTFCP]) and of a .msg's name table hash ([MS-OXMSG]).

#include <cstdint>
#include <span>

namespace pellmark::base {

uint32_t computeCrc(std::span<const uint8_t> data, uint32_t crc = 0);

}  // namespace pellmark::base
