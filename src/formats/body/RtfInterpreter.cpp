#include "formats/body/RtfInterpreter.h"

#include <algorithm>

#include "base/Utf8.h"
#include "formats/body/Codepage.h"
#include "formats/body/RtfHeader.h"

namespace pellmark::formats {
namespace {

// Hostile input may nest braces a million deep; past this depth groups share one state.
constexpr size_t kMaxDepth = 4096;

struct NamedCharacter {
    std::string_view word;
    char32_t c;
};

constexpr NamedCharacter kNamedCharacters[] = {
    {"bullet", U'\u2022'},    {"emdash", U'\u2014'},  {"emspace", U'\u2003'},
    {"endash", U'\u2013'},    {"enspace", U'\u2002'}, {"ldblquote", U'\u201C'},
    {"lquote", U'\u2018'},    {"ltrmark", U'\u200E'}, {"qmspace", U'\u2005'},
    {"rdblquote", U'\u201D'}, {"rquote", U'\u2019'},  {"rtlmark", U'\u200F'},
    {"zwj", U'\u200D'},       {"zwnj", U'\u200C'},
};

}  // namespace

RtfInterpreter::RtfInterpreter(std::string_view rtf, Output output)
    : tok_(rtf), output_(output), sink_(out_) {
    out_.reserve(rtf.size() / 2);
}

std::string RtfInterpreter::run() {
    for (RtfToken t = tok_.next(); t.kind != RtfToken::Kind::End; t = tok_.next()) {
        const bool opened = std::exchange(groupOpened_, false);
        switch (t.kind) {
            case RtfToken::Kind::GroupStart:
                groupStart();
                break;
            case RtfToken::Kind::GroupEnd:
                groupEnd();
                if (stack_.empty()) return finish();  // what follows the document is not shown
                break;
            case RtfToken::Kind::Word:
                if (opened) {
                    startDestination(t, false);
                } else {
                    word(t);
                }
                break;
            case RtfToken::Kind::Symbol:
                if (opened && t.symbol == '*') {
                    const RtfToken next = tok_.next();
                    if (next.kind == RtfToken::Kind::Word) {
                        startDestination(next, true);
                    } else if (tok_.skipGroup()) {
                        groupEnd();
                    }
                } else {
                    symbol(t.symbol);
                }
                break;
            case RtfToken::Kind::HexByte:
                hexByte(t.byte);
                break;
            case RtfToken::Kind::Text:
                text(t.text);
                break;
            case RtfToken::Kind::Binary:
                consumeFallback();
                break;
            case RtfToken::Kind::End:
                break;
        }
    }
    return finish();
}

std::string RtfInterpreter::finish() {
    if (highSurrogate_) character(base::kReplacementChar);
    sink_.flush();
    return std::move(out_);
}

void RtfInterpreter::groupStart() {
    fallbackLeft_ = 0;
    groupOpened_ = true;
    if (stack_.size() >= kMaxDepth) {
        ++unstackedDepth_;
        return;
    }
    stack_.push_back(state_);
}

void RtfInterpreter::groupEnd() {
    fallbackLeft_ = 0;
    if (unstackedDepth_ > 0) {
        --unstackedDepth_;
    } else if (!stack_.empty()) {  // an unbalanced '}' is ignored
        state_ = stack_.back();
        stack_.pop_back();
    }
}

// The first word of a group decides whether it is a destination to skip or to read.
void RtfInterpreter::startDestination(const RtfToken& t, bool starred) {
    if (t.is("fonttbl")) {
        state_.fontTable = true;
        return;
    }
    if (starred && t.is("htmltag") && output_ == Output::Html) {
        state_.htmlTag = true;
        state_.htmlRtf = false;  // tag content is original HTML whatever surrounds it
        seenHtmlTag_ = true;
        return;
    }
    if (starred || isHiddenDestination(t.text)) {
        if (tok_.skipGroup()) groupEnd();
        return;
    }
    word(t);
}

void RtfInterpreter::word(const RtfToken& t) {
    const std::string_view name = t.text;
    if (state_.fontTable) return fontTableWord(t);
    if (name == "u" && t.hasParam) return unicode(t.param);
    if (consumeFallback()) return;
    if (name == "htmlrtf") {
        state_.htmlRtf = !t.hasParam || t.param != 0;
    } else if (name == "f" && t.hasParam) {
        state_.font = t.param;
    } else if (name == "plain") {
        state_.font = -1;
    } else if (name == "uc" && t.hasParam) {
        state_.uc = std::clamp(t.param, 0, 16);
    } else if (name == "ansicpg" && t.hasParam && t.param > 0) {
        defaultCodepage_ = t.param;
    } else if (name == "mac") {
        defaultCodepage_ = 10000;
    } else if (name == "pc") {
        defaultCodepage_ = 437;
    } else if (name == "pca") {
        defaultCodepage_ = 850;
    } else if (name == "deff" && t.hasParam) {
        defaultFont_ = t.param;
    } else {
        characterWord(name);
    }
}

// Words that stand for characters; the rest only format and show nothing.
bool RtfInterpreter::characterWord(std::string_view name) {
    const bool text = output_ != Output::Html;
    if (name == "par" || name == "line" ||
        (text && (name == "row" || name == "page" || name == "sect"))) {
        newline();
    } else if (name == "tab" || (text && name == "cell")) {
        character(U'\t');
    } else {
        for (const auto& named : kNamedCharacters) {
            if (named.word == name) {
                character(named.c);
                return true;
            }
        }
        return false;
    }
    return true;
}

void RtfInterpreter::fontTableWord(const RtfToken& t) {
    if (!t.hasParam) return;
    if (t.text == "f") {
        fontBeingDefined_ = t.param;
        return;
    }
    int cp = 0;
    if (t.text == "fcharset") {
        cp = charsetToCodepage(t.param);
    } else if (t.text == "cpg") {
        cp = t.param;
    } else {
        return;
    }
    auto it = std::find_if(fontCodepages_.begin(), fontCodepages_.end(),
                           [&](const auto& f) { return f.first == fontBeingDefined_; });
    if (it == fontCodepages_.end()) {
        fontCodepages_.emplace_back(fontBeingDefined_, cp);
    } else if (cp != 0) {
        it->second = cp;
    }
}

void RtfInterpreter::symbol(char c) {
    if (state_.fontTable || consumeFallback()) return;
    switch (c) {
        case '\\':
        case '{':
        case '}':
            character(char32_t(c));
            break;
        case '~':
            character(U'\u00A0');
            break;
        case '_':
            character(U'\u2011');
            break;
        case '\t':
            character(U'\t');
            break;
        default:
            break;  // \- \| \: and the unknown show nothing
    }
}

void RtfInterpreter::text(std::string_view run) {
    if (fallbackLeft_ > 0) {
        const size_t skip = std::min<size_t>(size_t(fallbackLeft_), run.size());
        fallbackLeft_ -= int(skip);
        run.remove_prefix(skip);
    }
    if (run.empty() || !visible()) return;
    if (highSurrogate_) character(base::kReplacementChar);
    sink_.bytes(run, codepage());
}

void RtfInterpreter::hexByte(uint8_t b) {
    if (consumeFallback() || !visible()) return;
    if (highSurrogate_) character(base::kReplacementChar);
    sink_.byte(b, codepage());
}

// \uN takes a signed 16-bit value; characters past the BMP come as two surrogates.
void RtfInterpreter::unicode(int32_t value) {
    if (consumeFallback()) return;
    const bool show = visible();
    fallbackLeft_ = state_.uc;
    if (!show) return;
    if (value < -32768 || value > 65535) return character(base::kReplacementChar);
    const auto unit = char16_t(value < 0 ? value + 65536 : value);
    if (highSurrogate_) {
        const char16_t high = std::exchange(highSurrogate_, 0);
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            sink_.codePoint(0x10000 + ((char32_t(high) - 0xD800) << 10) + (unit - 0xDC00));
            return;
        }
        sink_.codePoint(base::kReplacementChar);
    }
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        highSurrogate_ = unit;
        return;
    }
    sink_.codePoint(unit);  // a lone low surrogate becomes U+FFFD there
}

void RtfInterpreter::newline() {
    if (!visible()) return;
    if (highSurrogate_) character(base::kReplacementChar);
    sink_.ascii(output_ == Output::Html ? "\r\n" : "\n");
}

void RtfInterpreter::character(char32_t c) {
    if (!visible()) return;
    if (highSurrogate_ && c != base::kReplacementChar) sink_.codePoint(base::kReplacementChar);
    highSurrogate_ = 0;
    sink_.codePoint(c);
}

bool RtfInterpreter::visible() const {
    if (state_.fontTable) return false;
    switch (output_) {
        case Output::Text:
            return true;
        case Output::OriginalText:
            return !state_.htmlRtf;
        case Output::Html:
            return state_.htmlTag || (seenHtmlTag_ && !state_.htmlRtf);
    }
    return false;
}

// True when the token is one of the fallback characters that follow a \uN.
bool RtfInterpreter::consumeFallback() {
    if (fallbackLeft_ <= 0) return false;
    --fallbackLeft_;
    return true;
}

// Inside \*\htmltag the document's code page applies; elsewhere the selected font's.
int RtfInterpreter::codepage() {
    if (state_.htmlTag) return defaultCodepage_;
    const int font = state_.font >= 0 ? state_.font : defaultFont_;
    for (const auto& [number, cp] : fontCodepages_) {
        if (number == font) return cp != 0 ? cp : defaultCodepage_;
    }
    return defaultCodepage_;
}

}  // namespace pellmark::formats
