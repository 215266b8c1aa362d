#include "formats/mailbox/MaildirNames.h"

#include <cstdio>

#include "base/Utf8.h"

namespace pellmark::formats {
namespace {

// RFC 3501's Base64 alphabet: ',' in place of '/', no padding.
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+,";

void appendModifiedBase64(std::string& out, const std::u16string& units) {
    uint32_t bits = 0;
    int count = 0;
    for (char16_t u : units) {
        for (int shift : {8, 0}) {
            bits = (bits << 8) | ((u >> shift) & 0xFF);
            count += 8;
            while (count >= 6) {
                count -= 6;
                out += kAlphabet[(bits >> count) & 0x3F];
            }
        }
    }
    if (count > 0) out += kAlphabet[(bits << (6 - count)) & 0x3F];
}

void appendUtf16(std::u16string& units, char32_t c) {
    if (c < 0x10000) {
        units += static_cast<char16_t>(c);
        return;
    }
    c -= 0x10000;
    units += static_cast<char16_t>(0xD800 + (c >> 10));
    units += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
}

// The escapes of Dovecot's listescape plugin, on the name before it is encoded.
std::string escaped(const std::string& name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (c == '.' || c == '/' || c == '\\' || (c == '~' && i == 0)) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "\\%02x", static_cast<unsigned char>(c));
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::string imapUtf7(const std::string& utf8) {
    std::string out;
    std::u16string pending;
    auto flush = [&] {
        if (pending.empty()) return;
        out += '&';
        appendModifiedBase64(out, pending);
        out += '-';
        pending.clear();
    };
    for (std::size_t pos = 0; pos < utf8.size();) {
        const char32_t c = base::decodeUtf8(utf8, pos);
        if (c >= 0x20 && c <= 0x7E) {
            flush();
            out += c == '&' ? std::string("&-") : std::string(1, static_cast<char>(c));
        } else {
            appendUtf16(pending, c);
        }
    }
    flush();
    return out;
}

std::string maildirFolderDirectory(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& name : names) out += '.' + imapUtf7(escaped(name.empty() ? "_" : name));
    return out;
}

std::string maildirFlags(const store::ItemFacts& facts, char forwardedKeyword) {
    std::string flags;
    if (facts.draft) flags += 'D';
    if (facts.flagged) flags += 'F';
    if (facts.forwarded) flags += 'P';
    if (facts.answered) flags += 'R';
    if (facts.read) flags += 'S';
    if (facts.forwarded && forwardedKeyword != 0) flags += forwardedKeyword;
    return flags;
}

}  // namespace pellmark::formats
