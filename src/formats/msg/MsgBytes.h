#pragma once
// Small pieces of the .msg writer's byte work: little-endian numbers appended to a buffer,
// text as UTF-16LE, and ids in the eight-digit upper-case hex of stream and storage names.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "mapi/CodepageText.h"

namespace pellmark::formats {

inline void appendLe16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void appendLe32(std::vector<uint8_t>& out, uint32_t v) {
    appendLe16(out, static_cast<uint16_t>(v));
    appendLe16(out, static_cast<uint16_t>(v >> 16));
}

inline std::vector<uint8_t> utf16le(std::string_view utf8) {
    std::vector<uint8_t> out;
    for (char16_t c : mapi::utf8ToUtf16(utf8)) appendLe16(out, static_cast<uint16_t>(c));
    return out;
}

inline std::string hex8(uint32_t v) {
    char buf[9];
    std::snprintf(buf, sizeof buf, "%08X", static_cast<unsigned>(v));
    return buf;
}

}  // namespace pellmark::formats
