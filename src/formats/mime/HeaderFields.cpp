#include "formats/mime/HeaderFields.h"

#include <gmime/gmime.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "base/Text.h"
#include "formats/mime/MimeOutput.h"

namespace pellmark::formats {
namespace {

constexpr size_t kFoldAt = 78;

struct GFree {
    void operator()(char* p) const { g_free(p); }
};
using GCharPtr = std::unique_ptr<char, GFree>;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// atext and blanks between words: a display name of these needs no quotes.
bool isPhraseChar(char c) {
    return c == ' ' || isAtext(c);
}

// attr-char of RFC 2231 7.
bool isAttrChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
           (u < 0x80 && c != 0 && std::strchr("!#$&+-.^_`|~", c));
}

std::string quotedString(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + '"';
}

}  // namespace

bool isTokenChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u > 0x20 && u < 0x7F && !std::strchr("()<>@,;:\\\"/[]?=", c);
}

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

void appendField(std::string& out, std::string_view name, std::string_view value, Fold fold) {
    out.append(name).append(":");
    size_t column = name.size() + 1;
    size_t pos = 0;
    bool inQuotes = false;
    // Each piece is a run of blanks and the word after it (blanks in quotes included); a fold
    // goes before a piece, so no line is blank and unfolding gives the value back.
    while (pos < value.size()) {
        size_t end = pos;
        while (end < value.size() && isBlank(value[end])) ++end;
        for (; end < value.size() && (inQuotes || !isBlank(value[end])); ++end) {
            if (fold == Fold::Unstructured) continue;
            if (value[end] == '\\' && end + 1 < value.size()) {
                ++end;
            } else if (value[end] == '"') {
                inQuotes = !inQuotes;
            }
        }
        const std::string_view piece = value.substr(pos, end - pos);
        if (pos == 0 && !piece.empty() && !isBlank(piece.front())) {
            out += ' ';  // "Name: value"
            ++column;
        } else if (column + piece.size() > kFoldAt && column > name.size() + 2 && end > pos &&
                   !isBlank(value[end - 1])) {
            out += "\r\n";
            column = 0;
        }
        out.append(piece);
        column += piece.size();
        pos = end;
    }
    out += "\r\n";
}

void appendRawField(std::string& out, std::string_view name, std::string_view value) {
    out.append(name).append(":");
    for (char c : value) {
        if (c == '\n') out += '\r';
        out += c;
    }
    out += "\r\n";
}

std::string encodedText(std::string_view utf8) {
    if (isAscii(utf8)) return std::string(utf8);
    ensureGMime();
    const std::string text(utf8);
    const GCharPtr encoded(g_mime_utils_header_encode_text(nullptr, text.c_str(), "utf-8"));
    return encoded ? encoded.get() : "";
}

std::string mailboxText(const Mailbox& box) {
    const std::string spec = quotedAddrSpec(box.addrSpec);
    if (isAscii(spec) && isAddrSpec(spec)) {
        if (box.name.empty()) return spec;
        if (!isAscii(box.name)) {
            ensureGMime();
            const GCharPtr phrase(
                g_mime_utils_header_encode_phrase(nullptr, box.name.c_str(), "utf-8"));
            return std::string(phrase ? phrase.get() : "") + " <" + spec + ">";
        }
        const bool plainName = std::all_of(box.name.begin(), box.name.end(), isPhraseChar) &&
                               box.name.find_first_not_of(' ') != std::string::npos;
        return (plainName ? box.name : quotedString(box.name)) + " <" + spec + ">";
    }
    // Addresses that need quoting or an international domain (IDNA), as GMime writes them.
    ensureGMime();
    InternetAddress* address = internet_address_mailbox_new(box.name.c_str(), spec.c_str());
    internet_address_set_charset(address, "utf-8");
    const GCharPtr text(internet_address_to_string(address, nullptr, TRUE));
    g_object_unref(address);
    return text ? text.get() : spec;
}

std::string parameter(std::string_view name, std::string_view value) {
    const bool token = !value.empty() && std::all_of(value.begin(), value.end(), isTokenChar);
    return "; " + std::string(name) + "=" + (token ? std::string(value) : quotedString(value));
}

std::string fileNameParameter(std::string_view name, std::string_view utf8) {
    // Plain where it fits a folded line: readers that write a message out again fold longer
    // lines inside the quotes, and the file name then holds a line break.
    constexpr size_t kLine = 76, kChunk = 60;
    if (isAscii(utf8)) {
        std::string plain = parameter(name, utf8);
        if (plain.size() - 1 <= kLine) return plain;
    }
    const std::string encoded = base::percentEncoded(utf8, isAttrChar);
    std::vector<std::string> chunks(1, "UTF-8''");
    for (size_t at = 0; at < encoded.size();) {
        if (chunks.back().size() >= kChunk) chunks.emplace_back();
        const size_t unit = encoded[at] == '%' ? 3 : 1;  // never split an escape
        chunks.back() += encoded.substr(at, unit);
        at += unit;
    }
    if (chunks.size() == 1) return "; " + std::string(name) + "*=" + chunks.front();
    std::string out;
    for (size_t i = 0; i < chunks.size(); ++i) {
        out += "; " + std::string(name) + "*" + std::to_string(i) + "*=" + chunks[i];
    }
    return out;
}

std::string encodedWordParameter(std::string_view name, std::string_view utf8) {
    constexpr size_t kLongest = 900;  // of RFC 5322's 998 a line
    std::string out = isAscii(utf8)
                          ? parameter(name, utf8)
                          : "; " + std::string(name) + "=" + quotedString(encodedText(utf8));
    return out.size() <= kLongest ? out : std::string();
}

}  // namespace pellmark::formats
