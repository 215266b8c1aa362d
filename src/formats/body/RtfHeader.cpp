#include "formats/body/RtfHeader.h"

#include <algorithm>
#include <array>

#include "formats/body/RtfTokenizer.h"

namespace pellmark::formats {
namespace {

// Sorted for binary search.
// clang-format off
constexpr std::array<std::string_view, 44> kHiddenDestinations = {
    "annotation", "atnauthor", "atnid", "bkmkend", "bkmkstart", "colorschememapping", "colortbl",
    "datafield", "datastore", "do", "docvar", "filetbl", "fldinst", "fonttbl", "footer",
    "footerf", "footerl", "footerr", "footnote", "generator", "header", "headerf", "headerl",
    "headerr", "info", "latentstyles", "listoverridetable", "listtable", "nonshppict", "objclass",
    "objdata", "pict", "pn", "pntxta", "pntxtb", "private", "revtbl", "rsidtbl", "stylesheet",
    "tc", "template", "themedata", "txe", "xe"};
// clang-format on
static_assert(std::is_sorted(kHiddenDestinations.begin(), kHiddenDestinations.end()));

// Words that can only stand in a document's body: the header is over when one appears.
constexpr std::array<std::string_view, 6> kBodyWords = {"par",   "pard",  "plain",
                                                        "sectd", "trowd", "u"};

bool isBodyWord(std::string_view word) {
    return std::find(kBodyWords.begin(), kBodyWords.end(), word) != kBodyWords.end();
}

bool isBlank(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t'; });
}

// After an opening brace at the top level: true when the group belongs to the header, in
// which case it has been skipped.
bool skipHeaderGroup(RtfTokenizer& tok) {
    RtfTokenizer peek = tok;
    RtfToken first = peek.next();
    bool header = false;
    if (first.kind == RtfToken::Kind::Symbol && first.symbol == '*') {
        const RtfToken word = peek.next();
        header = word.kind == RtfToken::Kind::Word && !word.is("htmltag") && !word.is("mhtmltag");
    } else if (first.kind == RtfToken::Kind::Word) {
        header = isHiddenDestination(first.text);
    }
    if (header) tok.skipGroup();
    return header;
}

}  // namespace

bool isHiddenDestination(std::string_view word) {
    return std::binary_search(kHiddenDestinations.begin(), kHiddenDestinations.end(), word);
}

RtfHeader scanRtfHeader(std::string_view rtf) {
    RtfHeader header;
    size_t start = rtf.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos || rtf.substr(start, 5) != "{\\rtf") return header;
    header.isRtf = true;
    RtfTokenizer tok(rtf.substr(start));
    tok.next();  // the opening brace
    tok.next();  // \rtf1
    for (;;) {
        const RtfToken t = tok.next();
        header.bodyOffset = start + t.offset;
        switch (t.kind) {
            case RtfToken::Kind::End:
                header.bodyOffset = rtf.size();
                return header;
            case RtfToken::Kind::GroupStart:
                if (!skipHeaderGroup(tok)) return header;
                break;
            case RtfToken::Kind::Word:
                if (t.text == "fromhtml" && (!t.hasParam || t.param != 0))
                    header.origin = RtfOrigin::Html;
                if (t.text == "fromtext") header.origin = RtfOrigin::Text;
                if (isBodyWord(t.text)) return header;
                break;
            case RtfToken::Kind::Text:
                if (!isBlank(t.text)) return header;
                break;
            case RtfToken::Kind::Symbol:
                if (t.symbol != '*') return header;
                break;
            case RtfToken::Kind::GroupEnd:
            case RtfToken::Kind::HexByte:
            case RtfToken::Kind::Binary:
                return header;
        }
    }
}

}  // namespace pellmark::formats
