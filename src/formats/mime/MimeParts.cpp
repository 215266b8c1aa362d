#include "formats/mime/MimeParts.h"

#include <cstdio>
#include <random>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "formats/mime/MimeOutput.h"
#include "formats/text/HtmlPage.h"
#include "formats/text/TextOutput.h"

namespace pellmark::formats {
namespace {

GMimeObject* asObject(gpointer part) {
    return GMIME_OBJECT(part);
}

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

// 7bit when the text allows it (ASCII, no NUL, lines within RFC 5322's 998); base64 when
// quoted-printable would grow it more (mostly non-Latin text); else quoted-printable.
GMimeContentEncoding textEncoding(std::string_view crlfText) {
    size_t nonAscii = 0, line = 0, longest = 0;
    bool nul = false;
    for (char c : crlfText) {
        const auto u = static_cast<unsigned char>(c);
        nonAscii += u >= 0x80;
        nul = nul || u == 0;
        line = c == '\n' ? 0 : line + 1;
        longest = std::max(longest, line);
    }
    if (nonAscii == 0 && !nul && longest <= 998) return GMIME_CONTENT_ENCODING_7BIT;
    return nonAscii * 6 > crlfText.size() ? GMIME_CONTENT_ENCODING_BASE64
                                          : GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE;
}

bool isTokenChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u > 0x20 && u < 0x7F && !std::strchr("()<>@,;:\\\"/[]?=", c);
}

void setParamEncoding(GMimeParamList* params, const char* name, GMimeParamEncodingMethod method) {
    if (GMimeParam* p = g_mime_param_list_get_parameter(params, name)) {
        g_mime_param_set_charset(p, "UTF-8");
        g_mime_param_set_encoding_method(p, method);
    }
}

void setFileName(GMimePart* part, const std::string& fileName) {
    g_mime_part_set_filename(part, headerSafe(fileName).c_str());
    GMimeObject* object = asObject(part);
    setParamEncoding(
        g_mime_content_disposition_get_parameters(g_mime_object_get_content_disposition(object)),
        "filename", GMIME_PARAM_ENCODING_METHOD_RFC2231);
    setParamEncoding(g_mime_content_type_get_parameters(g_mime_object_get_content_type(object)),
                     "name", GMIME_PARAM_ENCODING_METHOD_RFC2047);
}

void setContent(GMimePart* part, GMimeStream* stream, GMimeContentEncoding encoding) {
    auto wrapper =
        adopt(g_mime_data_wrapper_new_with_stream(stream, GMIME_CONTENT_ENCODING_DEFAULT));
    g_mime_part_set_content(part, wrapper.get());
    g_mime_part_set_content_encoding(part, encoding);
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

PartPtr textPart(const char* subtype, std::string_view utf8) {
    ensureGMime();
    GMimeTextPart* part = g_mime_text_part_new_with_subtype(subtype);
    PartPtr owner(asObject(part));
    const std::string text = crlfLines(utf8);
    auto stream = adopt(g_mime_stream_mem_new_with_buffer(text.data(), text.size()));
    setContent(GMIME_PART(part), stream.get(), textEncoding(text));
    g_mime_text_part_set_charset(part, "utf-8");
    return owner;
}

PartPtr dataPart(const DataPartSpec& spec) {
    ensureGMime();
    std::string type = cleanMimeType(spec.mimeType);
    if (type.empty()) type = mimeTypeForName(spec.fileName);
    const size_t slash = type.find('/');
    GMimePart* part =
        g_mime_part_new_with_type(type.substr(0, slash).c_str(), type.substr(slash + 1).c_str());
    PartPtr owner(asObject(part));
    auto stream = adopt(newDataStream(spec.open));
    setContent(part, stream.get(), GMIME_CONTENT_ENCODING_BASE64);
    g_mime_object_set_disposition(asObject(part), spec.inlinePart ? "inline" : "attachment");
    if (!spec.fileName.empty()) setFileName(part, spec.fileName);
    if (const std::string id = contentIdOf(spec.contentId); !id.empty()) {
        g_mime_part_set_content_id(part, id.c_str());
    }
    if (!spec.contentLocation.empty()) {
        g_mime_part_set_content_location(part, headerSafe(spec.contentLocation).c_str());
    }
    return owner;
}

PartPtr messagePart(GMimeMessage* message, const std::string& fileName) {
    ensureGMime();
    GMimeMessagePart* part = g_mime_message_part_new_with_message("rfc822", message);
    PartPtr owner(asObject(part));
    g_mime_object_set_disposition(owner.get(), "attachment");
    if (!fileName.empty()) {
        GMimeContentDisposition* d = g_mime_object_get_content_disposition(owner.get());
        g_mime_content_disposition_set_parameter(d, "filename", headerSafe(fileName).c_str());
        setParamEncoding(g_mime_content_disposition_get_parameters(d), "filename",
                         GMIME_PARAM_ENCODING_METHOD_RFC2231);
    }
    return owner;
}

GMimeMultipart* newMultipart(const char* subtype) {
    ensureGMime();
    // GMime's constructors read /dev/urandom for the boundary they make; one seeded generator
    // per thread gives boundaries as unlikely to occur in the content at a fraction of the cost.
    auto* mp = static_cast<GMimeMultipart*>(g_object_new(GMIME_TYPE_MULTIPART, nullptr));
    GMimeContentType* type = g_mime_content_type_new("multipart", subtype);
    g_mime_object_set_content_type(GMIME_OBJECT(mp), type);
    g_object_unref(type);
    thread_local std::mt19937_64 random{std::random_device{}()};
    // As long as GMime's own, so headers fold the same: "=-" and 96 random bits.
    char boundary[32];
    std::snprintf(boundary, sizeof boundary, "=-%016llx%08x",
                  static_cast<unsigned long long>(random()), static_cast<unsigned>(random() >> 32));
    g_mime_multipart_set_boundary(mp, boundary);
    return mp;
}

PartPtr multipart(const char* subtype, std::vector<PartPtr> parts) {
    if (parts.size() == 1) return std::move(parts.front());
    GMimeMultipart* mp = newMultipart(subtype);
    PartPtr owner(asObject(mp));
    // The multipart takes references of its own.
    for (auto& p : parts) g_mime_multipart_add(mp, p.get());
    return owner;
}

}  // namespace pellmark::formats
