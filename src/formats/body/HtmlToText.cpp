#include "formats/body/HtmlToText.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "base/Utf8.h"
#include "formats/body/HtmlEntities.h"

namespace pellmark::formats {
namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}
bool isAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == y; });
}

template <size_t N>
bool isOneOf(std::string_view name, const std::array<std::string_view, N>& names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// Elements that break lines but do not otherwise show; li, tr, td, pre, hr and br have
// handling of their own.
constexpr std::array<std::string_view, 28> kBlocks = {
    "address",  "article", "aside",  "blockquote", "body", "center",  "dd",    "div",    "dl", "dt",
    "fieldset", "figure",  "footer", "form",       "h1",   "h2",      "h3",    "h4",     "h5", "h6",
    "header",   "html",    "main",   "nav",        "p",    "section", "table", "caption"};

// Elements whose content a browser never shows.
constexpr std::array<std::string_view, 7> kHidden = {"head", "script",   "style",  "title",
                                                     "xml",  "template", "noembed"};

struct Tag {
    std::string name;  // lower case
    bool closing = false;
    size_t end = 0;  // the position after '>'
};

class HtmlTextWriter {
  public:
    explicit HtmlTextWriter(std::string_view html) : s_(html) { out_.reserve(html.size() / 2); }

    std::string run() {
        size_t p = 0;
        while (p < s_.size()) {
            const char c = s_[p];
            if (c == '<') {
                p = markup(p);
            } else if (c == '&') {
                char32_t ch = 0;
                const size_t after = decodeHtmlEntity(s_, p, ch);
                if (after == p) {
                    put('&');
                    ++p;
                } else {
                    putCodePoint(ch);
                    p = after;
                }
            } else {
                const size_t end = std::min(s_.find_first_of("<&", p), s_.size());
                textRun(s_.substr(p, end - p));
                p = end;
            }
        }
        return finish();
    }

  private:
    struct List {
        bool ordered;
        int counter;
    };

    size_t markup(size_t p) {
        if (s_.compare(p, 4, "<!--") == 0) return skipPast(p + 4, "-->");
        if (p + 1 < s_.size() && (s_[p + 1] == '!' || s_[p + 1] == '?')) return skipPast(p, ">");
        const bool closing = p + 1 < s_.size() && s_[p + 1] == '/';
        const size_t nameStart = p + (closing ? 2 : 1);
        if (nameStart >= s_.size() || !isAlpha(s_[nameStart])) {
            put('<');
            return p + 1;
        }
        const Tag tag = readTag(nameStart, closing);
        if (!tag.closing && isOneOf(tag.name, kHidden)) return skipElement(tag);
        element(tag);
        return tag.end;
    }

    Tag readTag(size_t nameStart, bool closing) {
        Tag tag;
        tag.closing = closing;
        size_t p = nameStart;
        while (p < s_.size() && !isSpace(s_[p]) && s_[p] != '>' && s_[p] != '/')
            tag.name += lower(s_[p++]);
        // Attributes: a value that starts with a quote may hold '>'.
        char quote = 0, previous = 0;
        for (; p < s_.size(); ++p) {
            const char c = s_[p];
            if (quote) {
                if (c == quote) quote = 0;
            } else if ((c == '"' || c == '\'') && previous == '=') {
                quote = c;
            } else if (c == '>') {
                break;
            }
            if (!isSpace(c)) previous = c;
        }
        tag.end = std::min(p + 1, s_.size());
        return tag;
    }

    // Skips to after the element's end tag; a head without one ends where the body starts.
    size_t skipElement(const Tag& tag) {
        for (size_t p = s_.find('<', tag.end); p != std::string_view::npos;
             p = s_.find('<', p + 1)) {
            const bool closing = p + 1 < s_.size() && s_[p + 1] == '/';
            const size_t nameStart = p + (closing ? 2 : 1);
            const std::string_view rest = s_.substr(nameStart, tag.name.size());
            const size_t after = nameStart + tag.name.size();
            const bool nameEnds =
                after >= s_.size() || isSpace(s_[after]) || s_[after] == '>' || s_[after] == '/';
            if (closing && nameEnds && equalsIgnoreCase(rest, tag.name))
                return skipPast(after, ">");
            if (tag.name == "head" && !closing && equalsIgnoreCase(s_.substr(nameStart, 4), "body"))
                return p;
        }
        return s_.size();
    }

    size_t skipPast(size_t from, std::string_view end) const {
        const size_t at = s_.find(end, from);
        return at == std::string_view::npos ? s_.size() : at + end.size();
    }

    void element(const Tag& tag) {
        const std::string& n = tag.name;
        if (n == "br") {
            lineBreak();
        } else if (n == "li") {
            listItem(tag.closing);
        } else if (n == "ul" || n == "ol") {
            list(tag.closing, n == "ol");
        } else if (n == "tr") {
            blockBoundary();
            firstCell_ = true;
        } else if (n == "td" || n == "th") {
            if (!tag.closing && !std::exchange(firstCell_, false) && !atLineStart_) {
                out_ += '\t';  // spaces on either side of a cell separator do not show
                pendingSpace_ = false;
            }
        } else if (n == "pre") {
            blockBoundary();
            preDepth_ = tag.closing ? std::max(preDepth_ - 1, 0) : preDepth_ + 1;
        } else if (n == "hr") {
            blockBoundary();
            textRun("________________________________");
            blockBoundary();
        } else if (isOneOf(n, kBlocks)) {
            blockBoundary();
        }
    }

    void list(bool closing, bool ordered) {
        blockBoundary();
        if (!closing) {
            lists_.push_back({ordered, 0});
        } else if (!lists_.empty()) {
            lists_.pop_back();
        }
    }

    void listItem(bool closing) {
        blockBoundary();
        if (closing) return;
        const size_t depth = std::max<size_t>(lists_.size(), 1);
        out_.append(2 * (depth - 1), ' ');
        if (!lists_.empty() && lists_.back().ordered) {
            out_ += std::to_string(++lists_.back().counter) + ". ";
        } else {
            out_ += "\u2022 ";
        }
        atLineStart_ = false;
        pendingSpace_ = false;
    }

    void textRun(std::string_view run) {
        for (size_t i = 0; i < run.size(); ++i) {
            const char c = run[i];
            if (preDepth_ > 0) {
                if (c == '\r') continue;
                if (c == '\n') {
                    lineBreak();
                } else {
                    put(c);
                }
            } else if (isSpace(c)) {
                pendingSpace_ = !atLineStart_ && out_.back() != '\t';
            } else if (c == '\xC2' && i + 1 < run.size() && run[i + 1] == '\xA0') {
                put(' ');  // a no-break space shows, and does not collapse
                ++i;
            } else {
                put(c);
            }
        }
    }

    // Visible content follows: a collapsed space before it shows unless a line starts here.
    void beginContent() {
        if (std::exchange(pendingSpace_, false) && !atLineStart_) out_ += ' ';
        atLineStart_ = false;
    }

    void put(char c) {
        beginContent();
        out_ += c;
    }

    void putCodePoint(char32_t c) {
        if (c == U'\u00A0') {
            put(' ');
        } else if (c < 0x80) {
            const char ascii = char(c);
            if (isSpace(ascii) && preDepth_ == 0) {
                pendingSpace_ = !atLineStart_;
            } else {
                put(ascii);
            }
        } else {
            beginContent();
            base::appendUtf8(out_, c);
        }
    }

    void lineBreak() {
        while (!out_.empty() && out_.back() == ' ') out_.pop_back();
        out_ += '\n';
        atLineStart_ = true;
        pendingSpace_ = false;
    }

    void blockBoundary() {
        if (!atLineStart_) lineBreak();
        pendingSpace_ = false;
    }

    std::string finish() {
        const size_t end = out_.find_last_not_of(" \t\n");
        out_.resize(end == std::string::npos ? 0 : end + 1);
        const size_t start = out_.find_first_not_of('\n');
        if (start != std::string::npos && start > 0) out_.erase(0, start);
        return std::move(out_);
    }

    std::string_view s_;
    std::string out_;
    bool atLineStart_ = true;
    bool pendingSpace_ = false;
    bool firstCell_ = true;
    int preDepth_ = 0;
    std::vector<List> lists_;
};

}  // namespace

std::string textFromHtml(std::string_view html) {
    return HtmlTextWriter(html).run();
}

std::string escapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace pellmark::formats
