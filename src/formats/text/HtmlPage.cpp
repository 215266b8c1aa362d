#include "formats/text/HtmlPage.h"

#include <cctype>

#include "base/AsciiCase.h"
#include "formats/body/HtmlCharset.h"
#include "formats/body/HtmlToText.h"
#include "formats/text/HeaderBlock.h"
#include "formats/text/HtmlReferences.h"

namespace pellmark::formats {
namespace {

std::string escapeMultiline(const std::string& value) {
    std::string out;
    size_t start = 0;
    while (true) {
        const size_t nl = value.find('\n', start);
        out += escapeHtml(value.substr(start, nl - start));
        if (nl == std::string::npos) break;
        out += "<br>";
        start = nl + 1;
    }
    return out;
}

// The cid: URLs of `html`, anywhere (attributes, style sheets), given to `inlineImage` by the
// content id that follows "cid:".
std::string rewriteCidReferences(
    const std::string& html,
    const std::function<std::optional<std::string>(const std::string&)>& inlineImage) {
    std::string out;
    out.reserve(html.size());
    size_t pos = 0;
    while (true) {
        const size_t cid = base::findNoCase(html, "cid:", pos);
        if (cid == std::string::npos) break;
        // The reference ends at the attribute's closing quote (or at a blank when unquoted).
        size_t end = cid + 4;
        while (end < html.size() && html[end] != '"' && html[end] != '\'' && html[end] != ' ' &&
               html[end] != '>' && html[end] != ')') {
            ++end;
        }
        out.append(html, pos, cid - pos);
        const std::string id = html.substr(cid + 4, end - cid - 4);
        auto replacement = inlineImage(id);
        out += replacement ? *replacement : html.substr(cid, end - cid);
        pos = end;
    }
    out.append(html, pos);
    return out;
}

bool isImageAttribute(std::string_view name) {
    return base::equalsNoCase(name, "src") || base::equalsNoCase(name, "background") ||
           base::equalsNoCase(name, "poster");
}

}  // namespace

std::string headerHtml(const std::vector<HeaderField>& fields) {
    std::string out =
        "<table class=\"pellmark-header\" style=\"border-collapse:collapse;font-family:sans-serif;"
        "font-size:10pt;margin-bottom:1em\">\n";
    for (const auto& f : fields) {
        out += "<tr><th style=\"text-align:left;vertical-align:top;padding-right:1em\">" +
               escapeHtml(f.label) + ":</th><td>" + escapeMultiline(f.value) + "</td></tr>\n";
    }
    out += "</table>\n<hr>\n";
    return out;
}

std::string htmlPage(const ItemView& item, const std::string& header,
                     const std::vector<InlineImage>& images, const InlineImageFn& inlineImage) {
    std::optional<std::string> html = item.htmlBody();
    if (!html) {
        return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" +
               escapeHtml(item.subject()) + "</title></head>\n<body>\n" + header +
               "<div style=\"white-space:pre-wrap;font-family:monospace\">" +
               escapeHtml(item.plainBody()) + "</div>\n</body></html>\n";
    }
    std::string page = declareUtf8(rewriteImageReferences(*html, images, inlineImage, true));
    // The header goes first inside the body; a fragment without a body gets one.
    size_t body = base::findNoCase(page, "<body", 0);
    if (body != std::string::npos) {
        const size_t close = page.find('>', body);
        if (close != std::string::npos) return page.insert(close + 1, "\n" + header);
    }
    const size_t headEnd = base::findNoCase(page, "</head>", 0);
    const size_t at = headEnd == std::string::npos ? 0 : headEnd + 7;
    page.insert(at, "<body>\n" + header);
    page += "</body>";
    return page;
}

std::string rewriteImageReferences(const std::string& html, const std::vector<InlineImage>& images,
                                   const InlineImageFn& inlineImage, bool standalone) {
    const std::string withCids = rewriteCidReferences(html, [&](const std::string& cid) {
        const InlineImage* image = findInlineImage(images, cid);
        return image ? inlineImage(*image) : std::nullopt;
    });
    const std::string base = baseHref(withCids);
    auto rewrite = [&](const UrlAttribute& a) -> std::optional<std::string> {
        if (base::startsWithNoCase(a.value, "cid:") || base::startsWithNoCase(a.value, "data:") ||
            base::equalsNoCase(a.tag, "base")) {
            return std::nullopt;
        }
        if (isImageAttribute(a.attribute)) {
            if (const InlineImage* image = findImageAt(images, a.value, base)) {
                if (auto url = inlineImage(*image)) return url;
            }
        }
        if (!standalone || base.empty()) return std::nullopt;
        std::string resolved = resolveUrl(base, a.value);
        return resolved == a.value ? std::nullopt : std::optional(std::move(resolved));
    };
    return rewriteUrlAttributes(withCids, rewrite, standalone);
}

std::vector<InlineImage> inlineImages(const ItemView& item) {
    std::vector<InlineImage> out;
    for (const auto& a : item.attachments()) {
        if (a.embedded) continue;
        InlineImage image{a.index, a.contentId, a.contentLocation, a.fileName, a.mimeType};
        if (image.mimeType.empty()) image.mimeType = mimeTypeForName(a.fileName);
        out.push_back(std::move(image));
    }
    return out;
}

const InlineImage* findInlineImage(const std::vector<InlineImage>& images, std::string_view cid) {
    auto bare = [](std::string_view s) {
        if (s.size() >= 2 && s.front() == '<' && s.back() == '>') s = s.substr(1, s.size() - 2);
        return s;
    };
    const std::string_view want = bare(cid);
    for (const auto& image : images) {
        if (!image.contentId.empty() && base::equalsNoCase(bare(image.contentId), want))
            return &image;
    }
    return nullptr;
}

const InlineImage* findImageAt(const std::vector<InlineImage>& images, const std::string& url,
                               const std::string& base) {
    if (url.empty()) return nullptr;
    const std::string resolved = resolveUrl(base, url);
    for (const auto& image : images) {
        if (image.contentLocation.empty()) continue;
        if (base::equalsNoCase(image.contentLocation, url) ||
            base::equalsNoCase(resolveUrl(base, image.contentLocation), resolved)) {
            return &image;
        }
    }
    if (hasScheme(url) || url.front() == '/') return nullptr;
    const std::string name = percentDecoded(url);
    for (const auto& image : images) {
        if (!image.fileName.empty() && base::equalsNoCase(image.fileName, name)) return &image;
    }
    return nullptr;
}

std::vector<uint8_t> readAttachment(const ItemView& item, size_t index) {
    auto stream = item.message().attachment(index)->openData();
    std::vector<uint8_t> data(static_cast<size_t>(stream->size()));
    size_t done = 0;
    while (done < data.size()) {
        const size_t n = stream->read(std::span(data).subspan(done));
        if (n == 0) break;
        done += n;
    }
    data.resize(done);
    return data;
}

std::string mimeTypeForName(const std::string& name) {
    static const std::pair<const char*, const char*> kTypes[] = {
        {".png", "image/png"},
        {".jpg", "image/jpeg"},
        {".jpeg", "image/jpeg"},
        {".gif", "image/gif"},
        {".bmp", "image/bmp"},
        {".svg", "image/svg+xml"},
        {".webp", "image/webp"},
        {".tif", "image/tiff"},
        {".tiff", "image/tiff"},
        {".ico", "image/x-icon"},
        {".pdf", "application/pdf"},
        {".txt", "text/plain"},
        {".htm", "text/html"},
        {".html", "text/html"},
        {".css", "text/css"},
        {".zip", "application/zip"},
        {".doc", "application/msword"},
        {".xls", "application/vnd.ms-excel"},
        {".ppt", "application/vnd.ms-powerpoint"},
        {".docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
        {".xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
        {".pptx", "application/vnd.openxmlformats-officedocument.presentationml.presentation"},
        {".msg", "application/vnd.ms-outlook"},
        {".eml", "message/rfc822"},
        {".ics", "text/calendar"},
        {".vcf", "text/vcard"}};
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos) {
        std::string ext = name.substr(dot);
        for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (const auto& [e, type] : kTypes) {
            if (ext == e) return type;
        }
    }
    return "application/octet-stream";
}

}  // namespace pellmark::formats
