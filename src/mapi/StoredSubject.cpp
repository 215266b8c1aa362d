#include "mapi/StoredSubject.h"

#include <cstdint>

namespace pellmark::mapi {
namespace {

// The length of the UTF-8 sequence starting at `pos`: its lead byte and continuation bytes.
size_t charLength(std::string_view text, size_t pos) {
    size_t end = pos + 1;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    return end - pos;
}

// The code point of the UTF-8 sequence at `pos`, for a length character of any size.
uint32_t codePoint(std::string_view text, size_t pos, size_t length) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (length == 1) return lead;
    uint32_t value = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        value = (value << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
    }
    return value;
}

}  // namespace

StoredSubject splitStoredSubject(std::string_view stored) {
    StoredSubject out;
    if (stored.size() < 2 || stored[0] != '\x01') {
        out.subject = out.normalized = std::string(stored);
        return out;
    }
    out.marked = true;
    const size_t countLength = charLength(stored, 1);
    const uint32_t count = codePoint(stored, 1, countLength);
    const std::string_view text = stored.substr(1 + countLength);
    size_t prefixEnd = 0;
    for (uint32_t i = 1; i < count && prefixEnd < text.size(); ++i) {
        prefixEnd += charLength(text, prefixEnd);
    }
    out.subject = std::string(text);
    out.prefix = std::string(text.substr(0, prefixEnd));
    out.normalized = std::string(text.substr(prefixEnd));
    return out;
}

}  // namespace pellmark::mapi
