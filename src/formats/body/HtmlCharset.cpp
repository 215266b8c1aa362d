#include "formats/body/HtmlCharset.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "base/AsciiCase.h"

namespace pellmark::formats {
namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

std::optional<uint32_t> codepageOfCharset(std::string_view name) {
    static const std::pair<const char*, uint32_t> kNames[] = {
        {"utf-8", 65001},       {"utf8", 65001},         {"us-ascii", 20127},
        {"ascii", 20127},       {"iso-8859-1", 28591},   {"latin1", 28591},
        {"shift_jis", 932},     {"shift-jis", 932},      {"sjis", 932},
        {"iso-2022-jp", 50220}, {"euc-jp", 51932},       {"gb2312", 936},
        {"gbk", 936},           {"gb18030", 54936},      {"big5", 950},
        {"euc-kr", 949},        {"ks_c_5601-1987", 949}, {"koi8-r", 20866},
        {"koi8-u", 21866},      {"utf-16", 1200},        {"iso-2022-kr", 50225},
    };
    const std::string n = lower(name);
    for (const auto& [k, cp] : kNames) {
        if (n == k) return cp;
    }
    if (n.rfind("windows-", 0) == 0) return static_cast<uint32_t>(std::atoi(n.c_str() + 8));
    if (n.rfind("iso-8859-", 0) == 0)
        return 28590 + static_cast<uint32_t>(std::atoi(n.c_str() + 9));
    if (n.rfind("cp", 0) == 0 && n.size() > 2 && std::isdigit(static_cast<unsigned char>(n[2]))) {
        return static_cast<uint32_t>(std::atoi(n.c_str() + 2));
    }
    return std::nullopt;
}

std::optional<uint32_t> htmlDeclaredCodepage(mapi::Bytes html) {
    std::string_view head(reinterpret_cast<const char*>(html.data()),
                          std::min<size_t>(html.size(), 4096));
    for (size_t pos = base::findNoCase(head, "charset="); pos != std::string_view::npos;
         pos = base::findNoCase(head, "charset=", pos + 1)) {
        size_t start = pos + 8;
        while (start < head.size() &&
               (head[start] == '"' || head[start] == '\'' || head[start] == ' '))
            ++start;
        size_t end = start;
        while (end < head.size() && (std::isalnum(static_cast<unsigned char>(head[end])) ||
                                     head[end] == '-' || head[end] == '_')) {
            ++end;
        }
        if (auto cp = codepageOfCharset(head.substr(start, end - start))) return cp;
    }
    return std::nullopt;
}

std::string declareUtf8(std::string_view html) {
    std::string out;
    out.reserve(html.size() + 64);
    // Drop every <meta ...> that declares a charset.
    size_t pos = 0;
    while (true) {
        const size_t meta = base::findNoCase(html, "<meta", pos);
        if (meta == std::string_view::npos) break;
        const size_t close = html.find('>', meta);
        if (close == std::string_view::npos) break;
        out.append(html.substr(pos, meta - pos));
        const std::string_view tag = html.substr(meta, close + 1 - meta);
        if (base::findNoCase(tag, "charset") == std::string_view::npos) out.append(tag);
        pos = close + 1;
    }
    out.append(html.substr(pos));

    static const std::string kMeta = "<meta charset=\"utf-8\">";
    if (size_t head = base::findNoCase(out, "<head"); head != std::string::npos) {
        const size_t close = out.find('>', head);
        if (close != std::string::npos) return out.insert(close + 1, kMeta);
    }
    if (size_t htmlTag = base::findNoCase(out, "<html"); htmlTag != std::string::npos) {
        const size_t close = out.find('>', htmlTag);
        if (close != std::string::npos) return out.insert(close + 1, "<head>" + kMeta + "</head>");
    }
    return "<head>" + kMeta + "</head>" + out;
}

}  // namespace pellmark::formats
