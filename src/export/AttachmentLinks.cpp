#include "export/AttachmentLinks.h"

#include "formats/body/HtmlToText.h"

#include <fstream>

#include "base/Sha256.h"
#include "base/Text.h"
#include "export/OutputNaming.h"

namespace pellmark::exporting {

namespace {

// RFC 3986: everything but the unreserved characters is encoded, byte by byte of the UTF-8.
bool isUnreserved(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

RenderedAttachment renderOne(store::Attachments& attachments, int32_t index, FolderOutput& output,
                             bool hash) {
    RenderedAttachment rendered;
    try {
        rendered.fileName = attachments.item(index)->fileName();
        rendered.safeName = safeAttachmentName(rendered.fileName);
        // Fetched again for the save, as the collection may hand out short-lived objects.
        auto attachment = attachments.item(index);
        const std::string scratch = output.reserveScratch({});
        try {
            attachment->saveAsFile(scratch);
            if (hash) rendered.sha256 = base::sha256OfFile(scratch);
        } catch (...) {
            output.discard(scratch);
            throw;
        }
        rendered.scratch = scratch;
    } catch (const std::exception& error) {
        rendered.failure = error.what();
    }
    return rendered;
}

}  // namespace

std::vector<RenderedAttachment> renderAttachments(store::MailItem& item, FolderOutput& output,
                                                  bool hash) {
    std::vector<RenderedAttachment> rendered;
    try {
        auto attachments = item.attachments();
        for (int32_t index = attachments->count(); index >= 1; --index) {
            rendered.push_back(renderOne(*attachments, index, output, hash));
        }
    } catch (const std::exception& error) {
        rendered.emplace_back().failure = error.what();
    }
    return rendered;
}

SavedAttachments placeAttachments(const std::vector<RenderedAttachment>& rendered,
                                  FolderOutput& output) {
    SavedAttachments saved;
    for (const RenderedAttachment& one : rendered) {
        try {
            if (!one.failure.empty()) throw WriteError(one.failure);
            const auto file = output.place(
                one.scratch, [&](int attempt) { return numberedName(one.safeName, attempt + 1); });
            saved.links += attachmentLink(file.path);
            saved.paths.push_back(file.path);
            saved.sizes.push_back(file.bytes);
            saved.sha256s.push_back(one.sha256);
            saved.written += 1;
            saved.bytes += file.bytes;
        } catch (const std::exception& error) {
            saved.failures.push_back({one.fileName, error.what()});
        }
    }
    return saved;
}

void discardAttachments(const std::vector<RenderedAttachment>& rendered, FolderOutput& output) {
    for (const RenderedAttachment& one : rendered) {
        if (!one.scratch.empty()) output.discard(one.scratch);
    }
}

SavedAttachments saveAttachments(store::MailItem& item, FolderOutput& output) {
    return placeAttachments(renderAttachments(item, output, false), output);
}

std::string attachmentLink(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);
    return "<a href='" + base::percentEncoded(fileName, isUnreserved) + "'>" +
           formats::escapeHtml(path) + "</a>\r\n";
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
