#pragma once
// Comparisons that ignore ASCII case, as header names, URL schemes, HTML tags and content ids
// are compared; bytes above ASCII compare as they are.

#include <algorithm>
#include <string>
#include <string_view>

namespace pellmark::base {

inline char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

// Not std::tolower: that asks the locale, a call per byte, and HTML bodies are searched so.
inline bool sameNoCase(char a, char b) {
    return asciiLower(a) == asciiLower(b);
}

inline bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), sameNoCase);
}

inline bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalsNoCase(text.substr(0, prefix.size()), prefix);
}

// The position of `needle` in `hay` from `from` on, or npos.
inline size_t findNoCase(std::string_view hay, std::string_view needle, size_t from = 0) {
    if (from > hay.size()) return std::string::npos;
    const auto it = std::search(hay.begin() + static_cast<std::ptrdiff_t>(from), hay.end(),
                                needle.begin(), needle.end(), sameNoCase);
    return it == hay.end() ? std::string::npos : static_cast<size_t>(it - hay.begin());
}

}  // namespace pellmark::base
