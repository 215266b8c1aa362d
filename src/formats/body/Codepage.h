#pragma once
// Windows code pages as RTF bodies name them (\ansicpg, \fcharset). Their iconv names and
// conversions are mapi/CodepageText.h's.

namespace pellmark::formats {

// Windows' CP_SYMBOL: the bytes of a symbol font, which no iconv code page describes.
inline constexpr int kSymbolCodepage = 42;

// The code page of an RTF font charset (\fcharsetN); 0 for DEFAULT_CHARSET and unknown
// charsets, which take the document's code page.
int charsetToCodepage(int charset);

// False for the code pages in which a byte below 0x80 may be part of another character
// (UTF-16, UTF-7, the ISO-2022 family).
bool isAsciiCompatible(int codepage);

}  // namespace pellmark::formats
