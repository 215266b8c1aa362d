#pragma once
// Text as Outlook stores it, to UTF-8: UTF-16LE for Unicode values, 8-bit text in a Windows
// code page for String8 values. Bad sequences become U+FFFD, never an error: a garbled
// character must not cost the user the whole item.

#include <cstdint>
#include <string>
#include <string_view>

#include <span>

namespace pellmark::mapi {

using Bytes = std::span<const uint8_t>;

std::string utf16ToUtf8(Bytes utf16le);
std::u16string utf8ToUtf16(std::string_view utf8);
// The iconv name of a Windows code page ("CP1252", "CP932", "UTF-8", ...).
std::string codepageName(uint32_t codepage);
std::string codepageToUtf8(Bytes text, uint32_t codepage);
// Converts UTF-8 to a code page; characters it cannot hold become '?'.
std::string utf8ToCodepage(std::string_view utf8, uint32_t codepage);

// The Windows code page in which Outlook keeps the 8-bit text of an item whose internet code
// page is `cp`: 7-bit and stateful internet encodings map to the Windows page of their script.
uint32_t windowsCodepage(uint32_t cp);

inline constexpr uint32_t kCodepageUtf8 = 65001;
inline constexpr uint32_t kCodepageDefault = 1252;

}  // namespace pellmark::mapi
