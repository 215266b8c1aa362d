#include "formats/body/RtfTokenizer.h"

#include <algorithm>
#include <limits>

namespace pellmark::formats {
namespace {

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

RtfToken RtfTokenizer::next() {
    while (pos_ < s_.size() && (s_[pos_] == '\r' || s_[pos_] == '\n')) ++pos_;
    RtfToken t;
    t.offset = pos_;
    if (pos_ >= s_.size()) return t;
    switch (s_[pos_]) {
        case '{':
            ++pos_;
            t.kind = RtfToken::Kind::GroupStart;
            return t;
        case '}':
            ++pos_;
            t.kind = RtfToken::Kind::GroupEnd;
            return t;
        case '\\':
            if (pos_ + 1 < s_.size() && isLetter(s_[pos_ + 1])) return controlWord(pos_);
            return controlSymbol(pos_);
        default:
            return text(pos_);
    }
}

RtfToken RtfTokenizer::controlWord(size_t start) {
    RtfToken t;
    t.kind = RtfToken::Kind::Word;
    t.offset = start;
    size_t p = start + 1;
    while (p < s_.size() && isLetter(s_[p])) ++p;
    t.text = s_.substr(start + 1, p - start - 1);
    const bool negative = p < s_.size() && s_[p] == '-' && p + 1 < s_.size() && isDigit(s_[p + 1]);
    if (negative) ++p;
    if (p < s_.size() && isDigit(s_[p])) {
        // Parameters are 16- or 32-bit; longer digit runs saturate instead of overflowing.
        int64_t value = 0;
        while (p < s_.size() && isDigit(s_[p])) {
            value = std::min<int64_t>(value * 10 + (s_[p] - '0'), int64_t{1} << 32);
            ++p;
        }
        if (negative) value = -value;
        t.param = int32_t(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                              std::numeric_limits<int32_t>::max()));
        t.hasParam = true;
    }
    if (p < s_.size() && s_[p] == ' ') ++p;  // the delimiting space belongs to the word
    pos_ = p;
    if (t.text == "bin" && t.hasParam && t.param > 0) {
        const size_t length = std::min<size_t>(size_t(t.param), s_.size() - pos_);
        t.kind = RtfToken::Kind::Binary;
        t.text = s_.substr(pos_, length);
        pos_ += length;
    }
    return t;
}

RtfToken RtfTokenizer::controlSymbol(size_t start) {
    RtfToken t;
    t.offset = start;
    if (start + 1 >= s_.size()) {  // a lone backslash at the very end
        pos_ = s_.size();
        return t;
    }
    const char c = s_[start + 1];
    pos_ = start + 2;
    if (c == '\r' || c == '\n') {
        t.kind = RtfToken::Kind::Word;
        t.text = "par";
        return t;
    }
    if (c == '\'' && start + 3 < s_.size() && hexValue(s_[start + 2]) >= 0 &&
        hexValue(s_[start + 3]) >= 0) {
        t.kind = RtfToken::Kind::HexByte;
        t.byte = uint8_t(hexValue(s_[start + 2]) << 4 | hexValue(s_[start + 3]));
        pos_ = start + 4;
        return t;
    }
    t.kind = RtfToken::Kind::Symbol;
    t.symbol = c;
    return t;
}

RtfToken RtfTokenizer::text(size_t start) {
    size_t p = start;
    while (p < s_.size()) {
        const char c = s_[p];
        if (c == '\\' || c == '{' || c == '}' || c == '\r' || c == '\n') break;
        ++p;
    }
    RtfToken t;
    t.kind = RtfToken::Kind::Text;
    t.offset = start;
    t.text = s_.substr(start, p - start);
    pos_ = p;
    return t;
}

bool RtfTokenizer::skipGroup() {
    int depth = 1;
    while (pos_ < s_.size()) {
        const char c = s_[pos_];
        if (c == '{') {
            ++depth;
            ++pos_;
        } else if (c == '}') {
            ++pos_;
            if (--depth == 0) return true;
        } else if (c == '\\') {
            // Words are read whole so that \binN data, which may hold braces, is skipped.
            if (pos_ + 1 < s_.size() && isLetter(s_[pos_ + 1])) {
                controlWord(pos_);
            } else {
                pos_ = std::min(pos_ + 2, s_.size());
            }
        } else {
            ++pos_;
        }
    }
    return false;
}

}  // namespace pellmark::formats
