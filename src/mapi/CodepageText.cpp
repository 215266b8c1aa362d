#include "mapi/CodepageText.h"

#include "base/Utf8.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>

namespace pellmark::mapi {

std::string utf16ToUtf8(Bytes in) {
    std::string out;
    out.reserve(in.size() / 2 + in.size() / 8);
    const size_t n = in.size() / 2;
    for (size_t i = 0; i < n; ++i) {
        char32_t u = in[2 * i] | (in[2 * i + 1] << 8);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n) {
            char32_t lo = in[2 * i + 2] | (in[2 * i + 3] << 8);
            if (lo >= 0xDC00 && lo <= 0xDFFF) {
                u = 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00);
                ++i;
            }
        }
        base::appendUtf8(out, u);
    }
    return out;
}

std::u16string utf8ToUtf16(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        char32_t cp = 0xFFFD;
        size_t len = 1;
        if (c < 0x80) {
            cp = c;
        } else if ((c >> 5) == 6) {
            len = 2;
        } else if ((c >> 4) == 14) {
            len = 3;
        } else if ((c >> 3) == 30) {
            len = 4;
        }
        if (len > 1) {
            if (i + len > s.size()) {
                len = 1;
            } else {
                cp = c & (0x7F >> len);
                for (size_t k = 1; k < len; ++k) {
                    const auto cc = static_cast<unsigned char>(s[i + k]);
                    if ((cc & 0xC0) != 0x80) {
                        cp = 0xFFFD;
                        len = k;
                        break;
                    }
                    cp = (cp << 6) | (cc & 0x3F);
                }
            }
        }
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp > 0xFFFF ? 0xFFFD : cp);
        }
        i += len;
    }
    return out;
}

std::string codepageName(uint32_t cp) {
    switch (cp) {
        case 65001:
            return "UTF-8";
        case 1200:
            return "UTF-16LE";
        case 1201:
            return "UTF-16BE";
        case 20127:
            return "ASCII";
        case 20866:
            return "KOI8-R";
        case 21866:
            return "KOI8-U";
        case 50220:
        case 50221:
        case 50222:
            return "ISO-2022-JP";
        case 50225:
            return "ISO-2022-KR";
        case 51932:
            return "EUC-JP";
        case 51936:
            return "EUC-CN";
        case 51949:
            return "EUC-KR";
        case 52936:
            return "HZ-GB-2312";
        case 54936:
            return "GB18030";
        case 10000:
            return "MACINTOSH";
        case 10007:
            return "MACCYRILLIC";
        case 20932:
            return "EUC-JP";
        case 65000:
            return "UTF-7";
        default:
            break;
    }
    if (cp >= 28591 && cp <= 28606) return "ISO-8859-" + std::to_string(cp - 28590);
    return "CP" + std::to_string(cp);
}

namespace {

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

// One converter per direction and code page and thread: opening iconv costs more than a short
// conversion.
iconv_t converter(const std::string& to, const std::string& from) {
    thread_local std::map<std::string, IconvHandle> cache;
    const std::string key = from + '>' + to;
    auto it = cache.find(key);
    if (it == cache.end()) {
        iconv_t cd = iconv_open(to.c_str(), from.c_str());
        if (cd == reinterpret_cast<iconv_t>(-1)) cd = iconv_open(to.c_str(), "CP1252");
        it = cache.emplace(key, IconvHandle(cd)).first;
    }
    iconv(static_cast<iconv_t>(it->second.get()), nullptr, nullptr, nullptr, nullptr);
    return static_cast<iconv_t>(it->second.get());
}

// Runs iconv over the whole input; an undecodable input byte becomes `bad` and is skipped.
std::string convert(iconv_t cd, const char* in, size_t inLeft, std::string_view bad) {
    std::string out;
    out.resize(inLeft * 4 + 16);
    char* src = const_cast<char*>(in);
    char* dst = out.data();
    size_t dstLeft = out.size();
    while (inLeft > 0) {
        size_t rc = iconv(cd, &src, &inLeft, &dst, &dstLeft);
        if (rc != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            const size_t used = static_cast<size_t>(dst - out.data());
            out.resize(out.size() * 2);
            dst = out.data() + used;
            dstLeft = out.size() - used;
            continue;
        }
        // EILSEQ or EINVAL: skip one byte and mark the spot.
        ++src;
        --inLeft;
        if (dstLeft < bad.size()) {
            const size_t used = static_cast<size_t>(dst - out.data());
            out.resize(out.size() * 2 + bad.size());
            dst = out.data() + used;
            dstLeft = out.size() - used;
        }
        std::memcpy(dst, bad.data(), bad.size());
        dst += bad.size();
        dstLeft -= bad.size();
    }
    out.resize(static_cast<size_t>(dst - out.data()));
    return out;
}

}  // namespace

std::string codepageToUtf8(Bytes text, uint32_t codepage) {
    if (text.empty()) return {};
    bool ascii = true;
    for (uint8_t b : text) ascii = ascii && b < 0x80;
    if (ascii) return std::string(text.begin(), text.end());
    if (codepage == 1200) return utf16ToUtf8(text);
    return convert(converter("UTF-8", codepageName(codepage)),
                   reinterpret_cast<const char*>(text.data()), text.size(), "\xEF\xBF\xBD");
}

std::string utf8ToCodepage(std::string_view utf8, uint32_t codepage) {
    if (utf8.empty()) return {};
    return convert(converter(codepageName(codepage) + "//TRANSLIT", "UTF-8"), utf8.data(),
                   utf8.size(), "?");
}

uint32_t windowsCodepage(uint32_t cp) {
    switch (cp) {
        case 50220:
        case 50221:
        case 50222:
        case 51932:
            return 932;  // ISO-2022-JP, EUC-JP
        case 52936:
        case 51936:
            return 936;  // HZ, EUC-CN
        case 50225:
        case 51949:
            return 949;  // ISO-2022-KR, EUC-KR
        case 20127:
        case 28591:
            return 1252;  // US-ASCII, Latin-1
        default:
            return cp;
    }
}

}  // namespace pellmark::mapi
