#include "formats/mailbox/MaildirNames.h"

#include <cstdio>

#include "base/Sha256.h"
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

// One directory entry holds the whole ".A.B" path.
constexpr std::size_t kMaxEntryBytes = 255;
// The least room below a folder for a name: a few characters and the mark of a cut name.
constexpr std::size_t kMinRoom = 32;
// Between the names of folders that share one entry, when their parent left no room, and in
// place of the names left out of it.
constexpr const char* kJoiner = " \xE2\x80\xBA ";  // U+203A
constexpr const char* kLeftOut = "\xE2\x80\xA6";   // U+2026

// The escapes of Dovecot's listescape plugin, on the name before it is encoded; '/' is
// replaced instead (see maildirFolderDirectory).
std::string escaped(const std::string& name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (c == '/') {
            out += '_';
        } else if (c == '.' || c == '\\' || (c == '~' && i == 0)) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "\\%02x", static_cast<unsigned char>(c));
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

std::string encodedName(const std::string& name) {
    return imapUtf7(escaped(name.empty() ? "_" : name));
}

// The longest start of `name` that, followed by `after` and `mark`, fits `room` bytes
// encoded. The start ends on a character of the name, so no escape or UTF-16 pair is split.
std::string cutName(const std::string& name, const std::string& after, std::size_t room,
                    const std::string& mark) {
    std::vector<std::size_t> starts;  // where each character of the name starts, and its end
    for (std::size_t pos = 0; pos < name.size();) {
        starts.push_back(pos);
        base::decodeUtf8(name, pos);
    }
    starts.push_back(name.size());
    auto fits = [&](std::size_t n) {
        return encodedName(name.substr(0, starts[n]) + after).size() + mark.size() <= room;
    };
    // The encoded size only grows with the characters taken: the most that fit, by halves.
    std::size_t most = 0, tooMany = starts.size();
    while (tooMany - most > 1) {
        const std::size_t mid = most + (tooMany - most) / 2;
        (fits(mid) ? most : tooMany) = mid;
    }
    return encodedName(name.substr(0, starts[most]) + after) + mark;
}

std::string joined(const std::vector<std::string>& names, std::size_t first, std::size_t last) {
    std::string out = names[first];
    for (std::size_t i = first + 1; i <= last; ++i) out += kJoiner + names[i];
    return out;
}

// The names[first..last] of folders below one parent in one entry of at most `room` bytes:
// joined whole; or cut, with the mark of them all: the start of a name alone, or the start
// of the first names, "… › " and the last name. A cut leaves room for subfolders where the
// parent has plenty.
std::string fittedNames(const std::vector<std::string>& names, std::size_t first, std::size_t last,
                        std::size_t room) {
    const std::string all = joined(names, first, last);
    if (std::string whole = encodedName(all); whole.size() <= room) return whole;
    if (room >= 2 * kMinRoom + 1) room -= kMinRoom + 1;
    const std::string mark = shortenedMark(all);
    if (first == last) return cutName(all, "", room, mark);
    const std::string leftOut = std::string(kLeftOut) + kJoiner;
    const std::string tail = leftOut + names[last];
    if (encodedName(tail).size() + mark.size() > room) return cutName(tail, "", room, mark);
    return cutName(joined(names, first, last - 1), tail, room, mark);
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
    std::vector<std::string> entries;  // entries[i]: the directory of names[0..i]
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::string whole = (i > 0 ? entries[i - 1] : std::string()) + '.' + encodedName(names[i]);
        if (whole.size() <= kMaxEntryBytes) {
            entries.push_back(std::move(whole));
            continue;
        }
        // Cut below the parent, or below the nearest folder above with room left for a name;
        // the top always has.
        std::size_t first = i;  // the first of the names this entry's last part carries
        while (first > 0 && kMaxEntryBytes - entries[first - 1].size() < kMinRoom + 1) --first;
        const std::string parent = first > 0 ? entries[first - 1] : std::string();
        entries.push_back(parent + '.' +
                          fittedNames(names, first, i, kMaxEntryBytes - parent.size() - 1));
    }
    return entries.empty() ? std::string() : entries.back();
}

std::string shortenedMark(const std::string& wholeName) {
    base::Sha256 sha;
    sha.update(wholeName);
    return '~' + sha.hex().substr(0, 6);
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
