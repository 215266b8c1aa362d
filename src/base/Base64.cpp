#include "base/Base64.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace pellmark::base {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The two characters of every 12 bits: a group of three bytes is two lookups, not four.
struct PairTable {
    std::array<std::array<char, 2>, 4096> pairs;
    PairTable() {
        for (size_t v = 0; v < pairs.size(); ++v) pairs[v] = {kAlphabet[v >> 6], kAlphabet[v & 63]};
    }
};

constexpr size_t encodedSize(size_t bytes) {
    return (bytes + 2) / 3 * 4;
}

// Encodes `data` whole, padding included, at `out`; returns the end of what it wrote.
char* encode(std::span<const uint8_t> data, char* out) {
    static const PairTable table;
    size_t i = 0;
    for (; i + 3 <= data.size(); i += 3) {
        const uint32_t v = uint32_t{data[i]} << 16 | uint32_t{data[i + 1]} << 8 | data[i + 2];
        std::memcpy(out, table.pairs[v >> 12].data(), 2);
        std::memcpy(out + 2, table.pairs[v & 0xFFF].data(), 2);
        out += 4;
    }
    if (const size_t rest = data.size() - i) {
        const uint32_t v = uint32_t{data[i]} << 16 | (rest == 2 ? uint32_t{data[i + 1]} << 8 : 0);
        out[0] = kAlphabet[v >> 18];
        out[1] = kAlphabet[(v >> 12) & 63];
        out[2] = rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
        out[3] = '=';
        out += 4;
    }
    return out;
}

}  // namespace

std::string base64Encode(std::span<const uint8_t> data) {
    std::string out(encodedSize(data.size()), '\0');
    encode(data, out.data());
    return out;
}

void appendBase64Lines(std::string& out, std::span<const uint8_t> data) {
    constexpr size_t kLineBytes = 57;  // 76 characters
    const size_t lines = (data.size() + kLineBytes - 1) / kLineBytes;
    const size_t start = out.size();
    out.resize(start + encodedSize(data.size()) + lines * 2);
    char* o = out.data() + start;
    for (size_t at = 0; at < data.size(); at += kLineBytes) {
        o = encode(data.subspan(at, std::min(kLineBytes, data.size() - at)), o);
        *o++ = '\r';
        *o++ = '\n';
    }
}

}  // namespace pellmark::base
