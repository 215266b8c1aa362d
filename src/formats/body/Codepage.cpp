#include "formats/body/Codepage.h"

#include "formats/body/TextSink.h"

namespace pellmark::formats {

// clang-format off
int charsetToCodepage(int charset) {
    switch (charset) {
        case 0: return 1252;  // ANSI_CHARSET
        case 2: return kSymbolCodepage;
        case 77: return 10000;  // MAC_CHARSET
        case 128: return 932;  // SHIFTJIS_CHARSET
        case 129: return 949;  // HANGUL_CHARSET
        case 130: return 1361;  // JOHAB_CHARSET
        case 134: return 936;  // GB2312_CHARSET
        case 136: return 950;  // CHINESEBIG5_CHARSET
        case 161: return 1253;  // GREEK_CHARSET
        case 162: return 1254;  // TURKISH_CHARSET
        case 163: return 1258;  // VIETNAMESE_CHARSET
        case 177: return 1255;  // HEBREW_CHARSET
        case 178: return 1256;  // ARABIC_CHARSET
        case 186: return 1257;  // BALTIC_CHARSET
        case 204: return 1251;  // RUSSIAN_CHARSET
        case 222: return 874;  // THAI_CHARSET
        case 238: return 1250;  // EASTEUROPE_CHARSET
        case 254: return 437;  // PC437_CHARSET
        case 255: return 850;  // OEM_CHARSET
        default: return 0;  // DEFAULT_CHARSET and the unknown: the document's code page
    }
}

bool isAsciiCompatible(int codepage) {
    switch (codepage) {
        case 1200:
        case 1201:
        case 12000:
        case 12001:
        case 65000:
        case 50220:
        case 50221:
        case 50222:
        case 50225: return false;
        default: return true;
    }
}
// clang-format on

}  // namespace pellmark::formats
