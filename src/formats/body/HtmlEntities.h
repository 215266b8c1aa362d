#pragma once
// HTML character references: named (&amp; &eacute; ...) and numeric (&#233; &#xE9;).

#include <cstddef>
#include <string_view>

namespace pellmark::formats {

// Reads the reference that starts with '&' at `pos`; on success stores its character in `c`
// and returns the position after it, otherwise returns `pos`.
size_t decodeHtmlEntity(std::string_view s, size_t pos, char32_t& c);

}  // namespace pellmark::formats
