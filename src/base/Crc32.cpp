#include "base/Crc32.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace pellmark::base {

// The CRC is the CRC-32 of zlib and Ethernet without its inversions on the way in and
// out; zlib's is faster than a table of our own (data blocks are checked on every read).
uint32_t computeCrc(std::span<const uint8_t> data, uint32_t crc) {
    crc = ~crc;
    while (!data.empty()) {
        const size_t n = std::min<size_t>(data.size(), std::numeric_limits<uInt>::max());
        crc = static_cast<uint32_t>(::crc32(crc, data.data(), static_cast<uInt>(n)));
        data = data.subspan(n);
    }
    return ~crc;
}

}  // namespace pellmark::base
