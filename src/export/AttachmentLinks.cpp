#include "export/AttachmentLinks.h"

#include "formats/body/HtmlToText.h"

#include <fstream>

#include "export/OutputNaming.h"

namespace pellmark::exporting {

namespace {

// RFC 3986: everything but the unreserved characters is encoded, byte by byte of the UTF-8.
std::string percentEncoded(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                                (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' ||
                                byte == '_' || byte == '~';
        if (unreserved) {
            out += c;
        } else {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 0x0F];
        }
    }
    return out;
}

void saveOne(store::Attachments& attachments, int32_t index, FolderOutput& output,
             SavedAttachments& saved) {
    std::string fileName;
    try {
        fileName = attachments.item(index)->fileName();
        const std::string safeName = safeAttachmentName(fileName);
        // Fetched again for the save, as the collection may hand out short-lived objects.
        auto attachment = attachments.item(index);
        const auto file =
            output.write([&](const std::string& scratch) { attachment->saveAsFile(scratch); },
                         [&](int attempt) { return numberedName(safeName, attempt + 1); });
        saved.links += attachmentLink(file.path);
        saved.paths.push_back(file.path);
        saved.sizes.push_back(file.bytes);
        saved.written += 1;
        saved.bytes += file.bytes;
    } catch (const std::exception& error) {
        saved.failures.push_back({fileName, error.what()});
    }
}

}  // namespace

SavedAttachments saveAttachments(store::MailItem& item, FolderOutput& output) {
    SavedAttachments saved;
    try {
        auto attachments = item.attachments();
        for (int32_t index = attachments->count(); index >= 1; --index) {
            saveOne(*attachments, index, output, saved);
        }
    } catch (const std::exception& error) {
        saved.failures.push_back({std::string(), error.what()});
    }
    return saved;
}

std::string attachmentLink(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);
    return "<a href='" + percentEncoded(fileName) + "'>" + formats::escapeHtml(path) + "</a>\r\n";
}

std::string attachmentBlock(const std::string& links) {
    return "<br /><br />:: Attachments ::<br />\r\n" + links + "\r\n";
}

void appendAttachmentBlock(const std::string& pagePath, const std::string& links) {
    if (links.empty()) return;
    std::ofstream page(pagePath, std::ios::binary | std::ios::app);
    page << attachmentBlock(links);
    page.close();
    if (!page) throw WriteError("cannot append the attachment links to " + pagePath);
}

}  // namespace pellmark::exporting
