#pragma once
// The character set an HTML document declares for itself, and pages re-declared as UTF-8.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "mapi/CodepageText.h"

namespace pellmark::formats {

// The Windows code page of a charset name ("utf-8", "iso-8859-1", "shift_jis", ...).
std::optional<uint32_t> codepageOfCharset(std::string_view name);
// The code page the document's <meta> names in its first kilobytes, if any.
std::optional<uint32_t> htmlDeclaredCodepage(mapi::Bytes html);
// The document with every charset declaration removed and <meta charset="utf-8"> as the
// first element of its head (a head is added where it has none).
std::string declareUtf8(std::string_view html);

}  // namespace pellmark::formats
