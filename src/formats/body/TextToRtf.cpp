#include "formats/body/TextToRtf.h"

#include "base/Utf8.h"
#include "formats/body/BodyError.h"
#include "formats/body/RtfHeader.h"

namespace pellmark::formats {
namespace {

void appendUnicode(std::string& out, char32_t unit) {
    // \uN takes a signed 16-bit number.
    out += "\\u";
    out += std::to_string(unit > 0x7FFF ? int(unit) - 0x10000 : int(unit));
    out += '?';
}

void appendHexByte(std::string& out, uint8_t b) {
    static const char digits[] = "0123456789abcdef";
    out += "\\'";
    out += digits[b >> 4];
    out += digits[b & 0xF];
}

}  // namespace

std::string rtfEscape(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + utf8.size() / 8);
    size_t p = 0;
    while (p < utf8.size()) {
        const char32_t c = base::decodeUtf8(utf8, p);
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '{':
                out += "\\{";
                break;
            case '}':
                out += "\\}";
                break;
            case '\t':
                out += "\\tab ";
                break;
            case '\r':
                if (p < utf8.size() && utf8[p] == '\n') ++p;
                [[fallthrough]];
            case '\n':
                out += "\\par\r\n";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    appendHexByte(out, uint8_t(c));
                } else if (c < 0x80) {
                    out += char(c);
                } else if (c < 0x10000) {
                    appendUnicode(out, c);
                } else {
                    appendUnicode(out, 0xD800 + ((c - 0x10000) >> 10));
                    appendUnicode(out, 0xDC00 + ((c - 0x10000) & 0x3FF));
                }
        }
    }
    return out;
}

std::string rtfFromText(std::string_view utf8) {
    std::string out =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\r\n"
        "\\pard\\plain\\f0\\fs20 ";
    out += rtfEscape(utf8);
    out += "\r\n}\r\n";
    return out;
}

std::string insertRtfHeader(std::string_view rtf, std::string_view fragmentRtf) {
    const RtfHeader header = scanRtfHeader(rtf);
    if (!header.isRtf) throw BodyError("cannot insert a header: the body is not an RTF document");
    std::string out;
    out.reserve(rtf.size() + fragmentRtf.size() + 32);
    out.append(rtf.substr(0, header.bodyOffset));
    out += "{\\pard\\plain\\uc1 ";
    out.append(fragmentRtf);
    out += "\\par}\r\n";
    out.append(rtf.substr(header.bodyOffset));
    return out;
}

}  // namespace pellmark::formats
