#pragma once
// Windows code pages as bodies name them (RTF's \ansicpg and \fcharset, PR_INTERNET_CPID)
// and their conversion to UTF-8 through iconv.

#include <string>
#include <string_view>

namespace pellmark::saveas {

// Windows' CP_SYMBOL: the bytes of a symbol font, which no iconv code page describes.
inline constexpr int kSymbolCodepage = 42;

// The code page of an RTF font charset (\fcharsetN); 0 for DEFAULT_CHARSET and unknown
// charsets, which take the document's code page.
int charsetToCodepage(int charset);

// The iconv name of a Windows code page: "CP1252", "CP932", "UTF-8", "ISO-8859-1", ...
std::string codepageName(int codepage);

// False for the code pages in which a byte below 0x80 may be part of another character
// (UTF-16, UTF-7, the ISO-2022 family).
bool isAsciiCompatible(int codepage);

// Bytes in a code page as UTF-8. Undecodable bytes become U+FFFD; an unknown code page is
// read as windows-1252.
std::string toUtf8(std::string_view bytes, int codepage);

}  // namespace pellmark::saveas
