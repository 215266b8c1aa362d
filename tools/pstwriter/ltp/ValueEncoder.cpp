#include "pstwriter/ltp/ValueEncoder.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace pellmark::pstwriter {
namespace {

// Decodes one UTF-8 sequence; malformed input yields U+FFFD and consumes one byte.
char32_t nextCodePoint(std::string_view s, size_t& i) {
    const auto b0 = static_cast<uint8_t>(s[i]);
    size_t len = b0 < 0x80 ? 1 : (b0 >> 5) == 6 ? 2 : (b0 >> 4) == 14 ? 3 : (b0 >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > s.size()) {
        ++i;
        return 0xFFFD;
    }
    char32_t cp = len == 1 ? b0 : b0 & (0x7F >> len);
    for (size_t k = 1; k < len; ++k) {
        const auto b = static_cast<uint8_t>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = cp << 6 | (b & 0x3F);
    }
    i += len;
    return cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) ? 0xFFFD : cp;
}

std::string iconvName(int codepage) {
    if (codepage == 65001) return "UTF-8";
    if (codepage == 20127) return "ASCII";
    if (codepage == 28591) return "ISO-8859-1";
    return "CP" + std::to_string(codepage);
}

void putFixed(ByteBuffer& b, PropType base, int64_t i, double d) {
    switch (base) {
        case PropType::Int16:
            b.u16(static_cast<uint16_t>(i));
            break;
        case PropType::Int32:
        case PropType::ErrorCode:
            b.u32(static_cast<uint32_t>(i));
            break;
        case PropType::Float32: {
            float f = static_cast<float>(d);
            uint32_t v;
            std::memcpy(&v, &f, 4);
            b.u32(v);
            break;
        }
        case PropType::Float64:
        case PropType::AppTime: {
            uint64_t v;
            std::memcpy(&v, &d, 8);
            b.u64(v);
            break;
        }
        default:
            b.u64(static_cast<uint64_t>(i));
            break;
    }
}

// Multi-valued variable-size data: count, offsets from the start, then the items.
ByteVec variableList(const std::vector<ByteVec>& items) {
    ByteBuffer b;
    b.u32(static_cast<uint32_t>(items.size()));
    uint32_t off = static_cast<uint32_t>(4 + 4 * items.size());
    for (const ByteVec& item : items) {
        b.u32(off);
        off += static_cast<uint32_t>(item.size());
    }
    for (const ByteVec& item : items) b.bytes(item);
    return b.take();
}

}  // namespace

ByteVec utf16le(std::string_view utf8) {
    ByteBuffer b(utf8.size() * 2);
    for (size_t i = 0; i < utf8.size();) {
        char32_t cp = nextCodePoint(utf8, i);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            b.u16(static_cast<uint16_t>(0xD800 + (cp >> 10)));
            b.u16(static_cast<uint16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            b.u16(static_cast<uint16_t>(cp));
        }
    }
    return b.take();
}

ByteVec toCodepage(std::string_view utf8, int codepage) {
    const std::string to = iconvName(codepage) + "//TRANSLIT";
    iconv_t cd = ::iconv_open(to.c_str(), "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        throw std::invalid_argument("unknown code page " + std::to_string(codepage));
    }
    ByteVec out(utf8.size() * 4 + 16);
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* o = reinterpret_cast<char*>(out.data());
    size_t outLeft = out.size();
    while (inLeft > 0) {
        if (::iconv(cd, &in, &inLeft, &o, &outLeft) != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) break;
        // A character the code page cannot show, or malformed input: write '?' and go on.
        size_t skip = 1;
        while (skip < inLeft && (static_cast<uint8_t>(in[skip]) & 0xC0) == 0x80) ++skip;
        in += skip;
        inLeft -= skip;
        if (outLeft > 0) {
            *o++ = '?';
            --outLeft;
        }
    }
    ::iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

ByteVec TextCodec::encode(std::string_view utf8, int codepage) const {
    if (unicode_) return utf16le(utf8);
    return toCodepage(utf8, codepage ? codepage : codepage_);
}

PropType storedType(PropType type, bool unicode) {
    const PropType text = unicode ? PropType::Unicode : PropType::String8;
    if (type == PropType::Unicode || type == PropType::String8) return text;
    if (type == PropType::MultiUnicode || type == PropType::MultiString8) {
        return unicode ? PropType::MultiUnicode : PropType::MultiString8;
    }
    return type;
}

StoredProp storeValue(uint16_t id, const PropValue& value, const TextCodec& codec, int codepage) {
    StoredProp p;
    p.id = id;
    p.type = storedType(value.type(), codec.unicode());
    const PropType base = mapi::baseType(p.type);
    ByteBuffer b;
    std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, int64_t>)
                putFixed(b, base, v, 0);
            else if constexpr (std::is_same_v<T, double>)
                putFixed(b, base, 0, v);
            else if constexpr (std::is_same_v<T, bool>)
                b.u8(v ? 1 : 0);
            else if constexpr (std::is_same_v<T, std::string>)
                b.bytes(codec.encode(v, codepage));
            else if constexpr (std::is_same_v<T, ByteVec>)
                b.bytes(v);
            else if constexpr (std::is_same_v<T, std::vector<int64_t>>) {
                for (int64_t i : v) putFixed(b, base, i, 0);
            } else if constexpr (std::is_same_v<T, std::vector<double>>) {
                for (double d : v) putFixed(b, base, 0, d);
            } else if constexpr (std::is_same_v<T, std::vector<std::string>>) {
                std::vector<ByteVec> items;
                for (const std::string& s : v) items.push_back(codec.encode(s, codepage));
                b.bytes(variableList(items));
            } else if constexpr (std::is_same_v<T, std::vector<ByteVec>>) {
                if (base == PropType::Guid) {
                    for (const ByteVec& g : v) b.bytes(g);
                } else {
                    b.bytes(variableList(v));
                }
            } else {
                p.stream = v;
            }
        },
        value.data());
    p.bytes = b.take();
    return p;
}

}  // namespace pellmark::pstwriter
