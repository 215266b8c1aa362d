#include "formats/text/HtmlReferences.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "base/AsciiCase.h"
#include "base/Utf8.h"
#include "formats/body/HtmlEntities.h"
#include "formats/body/HtmlToText.h"

namespace pellmark::formats {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

bool isUrlAttribute(std::string_view name) {
    for (const char* a : {"href", "src", "background", "poster", "action", "cite", "longdesc"}) {
        if (base::equalsNoCase(name, a)) return true;
    }
    return false;
}

std::string decodeReferences(std::string_view raw) {
    std::string out;
    for (size_t i = 0; i < raw.size();) {
        char32_t c = 0;
        const size_t next = raw[i] == '&' ? decodeHtmlEntity(raw, i, c) : i;
        if (next == i) {
            out += raw[i++];
        } else {
            base::appendUtf8(out, c);
            i = next;
        }
    }
    return out;
}

// Where the element whose contents are no markup ends: its closing tag, or the page's end.
size_t rawTextEnd(const std::string& html, size_t from, std::string_view tag) {
    const size_t end = base::findNoCase(html, "</" + std::string(tag), from);
    return end == std::string::npos ? html.size() : end;
}

// One tag from `<` at `pos`: calls `fn` for its URL attributes and copies it to `out`, the
// values rewritten. Returns the position after the tag, and its name in `tag`.
size_t copyTag(const std::string& html, size_t pos, const UrlAttributeFn& fn, std::string& out,
               std::string_view& tag) {
    size_t i = pos + 1;
    while (i < html.size() && (std::isalnum(static_cast<unsigned char>(html[i])) || html[i] == '-'))
        ++i;
    tag = std::string_view(html).substr(pos + 1, i - pos - 1);
    size_t copied = pos;
    while (i < html.size() && html[i] != '>') {
        if (isBlank(html[i]) || html[i] == '/') {
            ++i;
            continue;
        }
        const size_t nameStart = i;
        while (i < html.size() && !isBlank(html[i]) && !std::strchr("=>/", html[i])) ++i;
        const std::string_view name = std::string_view(html).substr(nameStart, i - nameStart);
        size_t j = i;
        while (j < html.size() && isBlank(html[j])) ++j;
        if (j >= html.size() || html[j] != '=') continue;
        ++j;
        while (j < html.size() && isBlank(html[j])) ++j;
        const char quote = j < html.size() && (html[j] == '"' || html[j] == '\'') ? html[j] : 0;
        const size_t valueStart = quote ? j + 1 : j;
        size_t valueEnd = valueStart;
        while (
            valueEnd < html.size() &&
            (quote ? html[valueEnd] != quote : !isBlank(html[valueEnd]) && html[valueEnd] != '>')) {
            ++valueEnd;
        }
        i = quote && valueEnd < html.size() ? valueEnd + 1 : valueEnd;
        if (!isUrlAttribute(name) || tag.empty()) continue;
        const std::string raw = html.substr(valueStart, valueEnd - valueStart);
        if (auto value = fn({tag, name, decodeReferences(raw)})) {
            out.append(html, copied, j - copied);
            out += '"';
            out += escapeHtml(*value);
            out += '"';
            copied = i;
        }
    }
    const size_t end = i < html.size() ? i + 1 : i;
    out.append(html, copied, end - copied);
    return end;
}

// RFC 3986 5.2.4: "." and ".." segments of a merged path resolved.
std::string removeDotSegments(std::string_view path) {
    std::vector<std::string_view> segments;
    size_t start = 1;  // the path starts with "/"
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view segment = path.substr(start, end - start);
        if (segment == "..") {
            if (!segments.empty()) segments.pop_back();
        } else if (segment != ".") {
            segments.push_back(segment);
        }
        if ((segment == "." || segment == "..") && end == path.size()) segments.emplace_back();
        start = end + 1;
    }
    std::string out;
    for (const auto& s : segments) {
        out += '/';
        out += s;
    }
    return out.empty() ? "/" : out;
}

}  // namespace

std::string resolveUrl(std::string_view base, std::string_view ref) {
    if (ref.empty() || ref.front() == '#' || hasScheme(ref) || !hasScheme(base))
        return std::string(ref);
    const size_t colon = base.find(':');
    if (base.compare(colon + 1, 2, "//") != 0) return std::string(ref);  // mailto:, data:, ...
    const std::string_view scheme = base.substr(0, colon + 1);
    if (ref.starts_with("//")) return std::string(scheme) + std::string(ref);
    const size_t pathStart = std::min(base.find_first_of("/?#", colon + 3), base.size());
    const std::string_view origin = base.substr(0, pathStart);
    std::string_view basePath = base.substr(pathStart);
    basePath = basePath.substr(0, basePath.find_first_of("?#"));
    if (ref.front() == '?') return std::string(origin) + std::string(basePath) + std::string(ref);
    // The reference's path is merged with the base's directory (RFC 3986 5.2.3), and its query
    // and fragment kept apart from the dot-segment removal.
    const size_t tail = std::min(ref.find_first_of("?#"), ref.size());
    std::string path = ref.front() == '/'
                           ? std::string(ref.substr(0, tail))
                           : std::string(basePath.substr(0, basePath.rfind('/') + 1)) +
                                 std::string(ref.substr(0, tail));
    if (path.empty() || path.front() != '/') path = '/' + path;
    return std::string(origin) + removeDotSegments(path) + std::string(ref.substr(tail));
}

std::string rewriteUrlAttributes(const std::string& html, const UrlAttributeFn& fn, bool dropBase) {
    std::string out;
    out.reserve(html.size());
    size_t pos = 0;
    while (pos < html.size()) {
        const size_t lt = html.find('<', pos);
        if (lt == std::string::npos || lt + 1 >= html.size()) break;
        out.append(html, pos, lt - pos);
        if (html.compare(lt, 4, "<!--") == 0) {
            const size_t close = html.find("-->", lt + 4);
            pos = close == std::string::npos ? html.size() : close + 3;
            out.append(html, lt, pos - lt);
            continue;
        }
        if (!std::isalpha(static_cast<unsigned char>(html[lt + 1]))) {
            out += '<';
            pos = lt + 1;
            continue;
        }
        std::string tagText;
        std::string_view tag;
        pos = copyTag(html, lt, fn, tagText, tag);
        if (!(dropBase && base::equalsNoCase(tag, "base"))) out += tagText;
        if (base::equalsNoCase(tag, "script") || base::equalsNoCase(tag, "style")) {
            const size_t end = rawTextEnd(html, pos, tag);
            out.append(html, pos, end - pos);
            pos = end;
        }
    }
    out.append(html, std::min(pos, html.size()));
    return out;
}

std::string baseHref(const std::string& html) {
    std::string href;
    rewriteUrlAttributes(
        html,
        [&](const UrlAttribute& a) -> std::optional<std::string> {
            if (href.empty() && base::equalsNoCase(a.tag, "base") &&
                base::equalsNoCase(a.attribute, "href")) {
                href = a.value;
            }
            return std::nullopt;
        },
        false);
    return href;
}

bool hasScheme(std::string_view url) {
    const size_t colon = url.find(':');
    if (colon == std::string_view::npos || colon == 0 ||
        !std::isalpha(static_cast<unsigned char>(url[0]))) {
        return false;
    }
    for (size_t i = 1; i < colon; ++i) {
        const auto c = static_cast<unsigned char>(url[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
    }
    return true;
}

std::string percentDecoded(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace pellmark::formats
