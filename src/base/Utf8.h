#pragma once
// UTF-8 encoding and decoding that never fails: invalid input reads as U+FFFD.

#include <string>
#include <string_view>

namespace pellmark::base {

inline constexpr char32_t kReplacementChar = 0xFFFD;

// Appends the UTF-8 form of a code point; surrogates and values past U+10FFFF become U+FFFD.
void appendUtf8(std::string& out, char32_t c);

// The code point at `pos`, advancing `pos` past it. A malformed, overlong or truncated
// sequence yields U+FFFD and advances by one byte.
char32_t decodeUtf8(std::string_view s, size_t& pos);

}  // namespace pellmark::base
