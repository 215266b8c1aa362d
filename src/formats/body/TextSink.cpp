#include "formats/body/TextSink.h"

#include <cerrno>

#include "base/Utf8.h"
#include "formats/body/Codepage.h"
#include "mapi/CodepageText.h"

namespace pellmark::formats {
namespace {
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);
}

TextSink::~TextSink() {
    for (auto& [cp, cd] : converters_) {
        if (cd != kNoConverter) iconv_close(cd);
    }
}

void TextSink::byte(uint8_t b, int codepage) {
    if (pending_.empty() && b < 0x80 && isAsciiCompatible(codepage)) {
        out_ += char(b);
        return;
    }
    if (!pending_.empty() && codepage != pendingCodepage_) flush();
    pendingCodepage_ = codepage;
    pending_ += char(b);
}

void TextSink::bytes(std::string_view run, int codepage) {
    if (pending_.empty() && isAsciiCompatible(codepage)) {
        // ASCII reads the same in most code pages; only the rest waits for iconv.
        size_t ascii = 0;
        while (ascii < run.size() && uint8_t(run[ascii]) < 0x80) ++ascii;
        out_.append(run.substr(0, ascii));
        run.remove_prefix(ascii);
        if (run.empty()) return;
    } else if (codepage != pendingCodepage_) {
        flush();
    }
    pendingCodepage_ = codepage;
    pending_.append(run);
}

void TextSink::codePoint(char32_t c) {
    flush();
    base::appendUtf8(out_, c);
}

void TextSink::ascii(std::string_view s) {
    flush();
    out_.append(s);
}

void TextSink::flush() {
    if (pending_.empty()) return;
    convert(pending_, pendingCodepage_);
    pending_.clear();
}

void TextSink::convert(std::string_view in, int codepage) {
    if (codepage == kSymbolCodepage) return convertSymbol(in);
    iconv_t cd = converter(codepage);
    if (cd == kNoConverter) cd = converter(1252);  // an unknown code page reads as windows-1252
    if (cd == kNoConverter) {
        for (char c : in) base::appendUtf8(out_, uint8_t(c));  // Latin-1, the last resort
        return;
    }
    char* inPtr = const_cast<char*>(in.data());
    size_t inLeft = in.size();
    char buf[4096];
    while (inLeft > 0) {
        char* outPtr = buf;
        size_t outLeft = sizeof buf;
        const size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out_.append(buf, size_t(outPtr - buf));
        if (r != size_t(-1) || errno == E2BIG) continue;
        // An invalid or truncated sequence: mark it and go on with the next byte.
        base::appendUtf8(out_, base::kReplacementChar);
        ++inPtr;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    char* outPtr = buf;
    size_t outLeft = sizeof buf;
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);  // end any shift state
    out_.append(buf, size_t(outPtr - buf));
}

// Symbol fonts draw their own glyphs; the bullets that lists use are the ones worth keeping.
void TextSink::convertSymbol(std::string_view in) {
    for (char c : in) {
        const auto b = uint8_t(c);
        if (b == 0xB7) {
            base::appendUtf8(out_, U'\u2022');
        } else if (b == 0xA7) {
            base::appendUtf8(out_, U'\u25AA');
        } else {
            convert(std::string_view(&c, 1), 1252);
        }
    }
}

iconv_t TextSink::converter(int codepage) {
    for (auto& [cp, cd] : converters_) {
        if (cp == codepage) return cd;
    }
    iconv_t cd = iconv_open("UTF-8", mapi::codepageName(static_cast<uint32_t>(codepage)).c_str());
    converters_.emplace_back(codepage, cd);
    return cd;
}

}  // namespace pellmark::formats
