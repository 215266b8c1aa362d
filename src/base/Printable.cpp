#include "base/Printable.h"

#include <cstdio>

namespace pellmark::base {
namespace {

bool isBidiControl(char32_t c) {
    return c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

// The code point of the UTF-8 sequence of `length` bytes at `s`.
char32_t decode(std::string_view s, size_t length) {
    char32_t c = static_cast<unsigned char>(s[0]) & (0xFF >> (length + 1));
    for (size_t i = 1; i < length; ++i) c = (c << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
    return c;
}

size_t sequenceLength(std::string_view s) {
    const auto lead = static_cast<unsigned char>(s[0]);
    const size_t length = lead < 0x80    ? 1
                          : lead >= 0xF0 ? 4
                          : lead >= 0xE0 ? 3
                          : lead >= 0xC0 ? 2
                                         : 1;
    if (length > s.size()) return 1;
    for (size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 1;
    }
    return length;
}

std::string escaped(std::string_view text, bool backslashes) {
    std::string out;
    out.reserve(text.size());
    char buf[16];
    for (size_t i = 0; i < text.size();) {
        const size_t length = sequenceLength(text.substr(i));
        const char32_t c =
            length == 1 ? static_cast<unsigned char>(text[i]) : decode(text.substr(i), length);
        if (c == '\\' && backslashes) {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (length == 1 && (c < 0x20 || c >= 0x7F)) {
            // Controls, DEL, and bytes that start no UTF-8 sequence.
            std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned>(c));
            out += buf;
        } else if ((c >= 0x80 && c <= 0x9F) || isBidiControl(c)) {
            std::snprintf(buf, sizeof buf, "\\u{%04X}", static_cast<unsigned>(c));
            out += buf;
        } else {
            out.append(text.substr(i, length));
        }
        i += length;
    }
    return out;
}

}  // namespace

std::string printable(std::string_view text) {
    return escaped(text, false);
}

std::string printableField(std::string_view text) {
    return escaped(text, true);
}

}  // namespace pellmark::base
