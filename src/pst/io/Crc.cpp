#include "pst/io/Crc.h"

#include <array>

namespace pellmark::pst {
namespace {

// Slicing-by-8 tables: data blocks are checked on every read, so this sits on the hot path.
using Tables = std::array<std::array<uint32_t, 256>, 8>;

Tables makeTables() {
    Tables t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        t[0][i] = c;
    }
    for (uint32_t i = 0; i < 256; ++i) {
        for (size_t s = 1; s < 8; ++s) t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
    }
    return t;
}

const Tables& tables() {
    static const Tables t = makeTables();
    return t;
}

}  // namespace

uint32_t computeCrc(Bytes data, uint32_t crc) {
    const Tables& t = tables();
    const uint8_t* p = data.data();
    size_t n = data.size();
    while (n >= 8) {
        uint32_t lo = crc ^ (uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                             uint32_t(p[3]) << 24);
        crc = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
              t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
        p += 8;
        n -= 8;
    }
    while (n--) crc = t[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
    return crc;
}

}  // namespace pellmark::pst
