#include "formats/mime/MimeParts.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "formats/mime/HeaderFields.h"
#include "formats/mime/MimeIdScope.h"
#include "formats/mime/MimeOutput.h"
#include "formats/text/HtmlPage.h"
#include "formats/text/TextOutput.h"

namespace pellmark::formats {
namespace {

// CRLF line ends, the canonical form of text in MIME (RFC 2046 4.1.1).
std::string crlfLines(std::string_view text) {
    const std::string lf = normalizeLineEnds(text);
    std::string out;
    out.reserve(lf.size() + lf.size() / 32);
    for (char c : lf) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// Whether `text` occurs in what `part` holds: header lines, text bodies, enclosed parts.
// Attachment data needs no look: base64 holds no '-', which every boundary has.
bool occursIn(const MimePart& part, std::string_view text) {
    if (part.headers.find(text) != std::string::npos) return true;
    if (part.kind == MimePart::Kind::Text && part.body.find(text) != std::string::npos) {
        return true;
    }
    return std::any_of(part.parts.begin(), part.parts.end(),
                       [&](const MimePart& child) { return occursIn(child, text); });
}

// A boundary from the item (see MimeIdScope), never one that occurs in the parts it
// separates (RFC 2046 5.1.1). "=-" cannot start a quoted-printable sequence either, so only
// 7-bit text and header lines could ever hold one.
std::string newBoundary(const std::vector<MimePart>& parts) {
    for (;;) {
        std::string boundary = "=-" + MimeIdScope::next();
        if (std::none_of(parts.begin(), parts.end(),
                         [&](const MimePart& part) { return occursIn(part, boundary); })) {
            return boundary;
        }
    }
}

}  // namespace

std::string cleanMimeType(std::string_view value) {
    const size_t semicolon = value.find(';');
    std::string_view type = value.substr(0, semicolon);  // parameters are ours to write
    auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!type.empty() && blank(type.back())) type.remove_suffix(1);
    while (!type.empty() && blank(type.front())) type.remove_prefix(1);
    const size_t slash = type.find('/');
    if (slash == 0 || slash == std::string_view::npos || slash + 1 == type.size()) return {};
    std::string out;
    for (size_t i = 0; i < type.size(); ++i) {
        if (i != slash && !isTokenChar(type[i])) return {};
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(type[i])));
    }
    return out;
}

std::string headerSafe(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    return out;
}

std::string contentIdOf(std::string_view id) {
    if (id.size() >= 2 && id.front() == '<' && id.back() == '>') id = id.substr(1, id.size() - 2);
    std::string out;
    for (char c : id) {
        if (c > 0x20 && c < 0x7F && c != '<' && c != '>') out += c;
    }
    return out;
}

MimePart textPart(const char* subtype, std::string_view utf8) {
    MimePart part;
    const char* encoding = encodeText(crlfLines(utf8), part.body);
    appendField(part.headers, "Content-Type",
                std::string("text/") + subtype + parameter("charset", "utf-8"));
    appendField(part.headers, "Content-Transfer-Encoding", encoding);
    return part;
}

MimePart dataPart(const DataPartSpec& spec) {
    std::string type = cleanMimeType(spec.mimeType);
    if (type.empty()) type = mimeTypeForName(spec.fileName);
    const std::string name = headerSafe(spec.fileName);
    MimePart part;
    part.kind = MimePart::Kind::Data;
    part.data = spec.open;
    appendField(part.headers, "Content-Type",
                name.empty() ? type : type + encodedWordParameter("name", name));
    appendField(part.headers, "Content-Transfer-Encoding", "base64");
    std::string disposition = spec.inlinePart ? "inline" : "attachment";
    if (!name.empty()) disposition += fileNameParameter("filename", name);
    appendField(part.headers, "Content-Disposition", disposition);
    if (const std::string id = contentIdOf(spec.contentId); !id.empty()) {
        appendField(part.headers, "Content-ID", "<" + id + ">");
    }
    if (!spec.contentLocation.empty()) {
        appendField(part.headers, "Content-Location",
                    encodedText(headerSafe(spec.contentLocation)));
    }
    return part;
}

MimePart messageEntity(const std::string& headers, MimePart body) {
    body.headers = headers + "MIME-Version: 1.0\r\n" + body.headers;
    return body;
}

MimePart messagePart(MimePart message, const std::string& fileName) {
    MimePart part;
    part.kind = MimePart::Kind::Message;
    appendField(part.headers, "Content-Type", "message/rfc822");
    std::string disposition = "attachment";
    if (!fileName.empty()) disposition += fileNameParameter("filename", headerSafe(fileName));
    appendField(part.headers, "Content-Disposition", disposition);
    part.parts.push_back(std::move(message));
    return part;
}

MimePart newMultipart(const char* subtype, std::vector<MimePart> parts, std::string_view type) {
    MimePart part;
    part.kind = MimePart::Kind::Multipart;
    part.boundary = newBoundary(parts);
    std::string value = std::string("multipart/") + subtype + parameter("boundary", part.boundary);
    if (!type.empty()) value += parameter("type", type);
    appendField(part.headers, "Content-Type", value);
    part.parts = std::move(parts);
    return part;
}

MimePart multipart(const char* subtype, std::vector<MimePart> parts, std::string_view type) {
    if (parts.size() == 1) return std::move(parts.front());
    return newMultipart(subtype, std::move(parts), type);
}

}  // namespace pellmark::formats
