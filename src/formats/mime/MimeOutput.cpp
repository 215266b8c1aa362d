#include "formats/mime/MimeOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <gmime/gmime.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <span>
#include <utility>
#include <vector>

#include "base/Base64.h"
#include "formats/SaveError.h"

namespace pellmark::formats {

void ensureGMime() {
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

namespace {

constexpr size_t kLineBytes = 57;  // 76 characters of base64

// Attachment data through base64 in blocks of whole lines.
void writeData(base::ByteSink& sink, const DataOpener& open) {
    thread_local std::vector<uint8_t> block(kLineBytes * 1024);
    const auto stream = open();
    size_t have = 0;
    for (;;) {
        const size_t n = stream->read(std::span(block.data() + have, block.size() - have));
        have += n;
        if (n != 0 && have < block.size()) continue;
        const size_t whole = n == 0 ? have : have - have % kLineBytes;
        base::appendBase64Lines(sink.buffer(), std::span(block.data(), whole));
        sink.drainIfFull();
        std::memmove(block.data(), block.data() + whole, have - whole);
        have -= whole;
        if (n == 0) return;
    }
}

void writeEntity(base::ByteSink& sink, const MimePart& part) {
    sink.put(part.headers);
    sink.put("\r\n");
    switch (part.kind) {
        case MimePart::Kind::Text:
            sink.put(part.body);
            break;
        case MimePart::Kind::Data:
            writeData(sink, part.data);
            break;
        case MimePart::Kind::Message:
            for (const auto& message : part.parts) writeEntity(sink, message);
            break;
        case MimePart::Kind::Multipart:
            for (const auto& child : part.parts) {
                sink.put("--");
                sink.put(part.boundary);
                sink.put("\r\n");
                writeEntity(sink, child);
                sink.put("\r\n");
            }
            sink.put("--");
            sink.put(part.boundary);
            sink.put("--\r\n");
            break;
    }
}

}  // namespace

void writeMime(const MimePart& entity, base::ByteSink& sink) {
    writeEntity(sink, entity);
}

void appendQuotedPrintable(std::string& out, std::string_view text) {
    static const char* hex = "0123456789ABCDEF";
    constexpr size_t kMax = 75;  // and "=" for a soft break
    size_t column = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += "\r\n";
            ++i;
            column = 0;
            continue;
        }
        const auto u = static_cast<unsigned char>(c);
        const bool lineEnd = i + 1 == text.size() || text[i + 1] == '\r';
        const bool literal =
            (u > 0x20 && u < 0x7F && c != '=') || (u == ' ' && !lineEnd) || (u == '\t' && !lineEnd);
        const size_t width = literal ? 1 : 3;
        if (column + width > kMax) {
            out += "=\r\n";
            column = 0;
        }
        if (literal) {
            out += c;
        } else {
            out += {'=', hex[u >> 4], hex[u & 0x0F]};
        }
        column += width;
    }
}

const char* encodeText(std::string_view text, std::string& body) {
    size_t nonAscii = 0, line = 0, longest = 0;
    bool nul = false;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        nonAscii += u >= 0x80;
        nul = nul || u == 0;
        line = c == '\n' ? 0 : line + 1;
        longest = std::max(longest, line);
    }
    body.clear();
    if (nonAscii == 0 && !nul && longest <= 998) {
        body.assign(text);
        return "7bit";
    }
    if (nonAscii * 6 > text.size()) {
        base::appendBase64Lines(
            body, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
        return "base64";
    }
    body.reserve(text.size() + text.size() / 8);
    appendQuotedPrintable(body, text);
    return "quoted-printable";
}

}  // namespace pellmark::formats
