#include "export/AttachmentLinks.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/AsciiCase.h"
#include "base/Sha256.h"
#include "base/Text.h"
#include "export/OutputNaming.h"
#include "formats/body/HtmlToText.h"

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
            if (hash) {
                rendered.sha256 = attachment->saveAsHashed(scratch);
            } else {
                attachment->saveAsFile(scratch);
            }
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

std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

[[noreturn]] void cannotInsert(const std::string& pagePath, int error) {
    throw WriteError("cannot add the attachment links to " + pagePath + ": " +
                     std::strerror(error));
}

// How much of a page's end is searched for its closing body tag: what follows the tag is at
// most "</html>", blanks and line ends.
constexpr off_t kTailBytes = 4096;

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

SavedAttachments placeWithAttachments(FolderOutput::Placing& page,
                                      const std::vector<RenderedAttachment>& rendered,
                                      FolderOutput& output, Ledger& ledger, bool hash) {
    SavedAttachments saved;
    std::vector<FolderOutput::Placing> files;
    for (const RenderedAttachment& one : rendered) {
        if (!one.failure.empty()) {
            saved.failures.push_back({one.fileName, one.failure});
            continue;
        }
        FolderOutput::Placing file{
            one.scratch, [&](int attempt) { return numberedName(one.safeName, attempt + 1); },
            one.sha256};
        try {
            output.claim(file);
        } catch (const std::exception& error) {
            output.discard(one.scratch);
            saved.failures.push_back({one.fileName, error.what()});
            continue;
        }
        saved.links += attachmentLink(fileNameOf(file.path));
        files.push_back(std::move(file));
    }
    output.claim(page);
    // The links go in before the page gets its name, so no page is ever seen without them.
    insertAttachmentBlock(page.scratch, saved.links);
    if (hash) page.sha256 = base::sha256OfFile(page.scratch);
    files.push_back(page);
    std::vector<PlacedFile> placed = output.commit(files, ledger);
    saved.page = placed.back();
    placed.pop_back();
    for (const PlacedFile& file : placed) {
        saved.written += 1;
        saved.bytes += file.bytes;
    }
    saved.files = std::move(placed);
    return saved;
}

void discardAttachments(const std::vector<RenderedAttachment>& rendered, FolderOutput& output) {
    for (const RenderedAttachment& one : rendered) {
        if (!one.scratch.empty()) output.discard(one.scratch);
    }
}

std::string attachmentLink(const std::string& fileName) {
    return "<a href='" + base::percentEncoded(fileName, isUnreserved) + "'>" +
           formats::escapeHtml(fileName) + "</a>\r\n";
}

std::string attachmentBlock(const std::string& links) {
    return "<br /><br />:: Attachments ::<br />\r\n" + links + "\r\n";
}

void insertAttachmentBlock(const std::string& pagePath, const std::string& links) {
    if (links.empty()) return;
    const int fd = ::open(pagePath.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) cannotInsert(pagePath, errno);
    struct Close {
        int fd;
        ~Close() { ::close(fd); }
    } close{fd};
    const off_t size = ::lseek(fd, 0, SEEK_END);
    if (size < 0) cannotInsert(pagePath, errno);
    const off_t tailStart = size > kTailBytes ? size - kTailBytes : 0;
    std::string tail(static_cast<std::size_t>(size - tailStart), '\0');
    if (::pread(fd, tail.data(), tail.size(), tailStart) != static_cast<ssize_t>(tail.size())) {
        cannotInsert(pagePath, errno ? errno : EIO);
    }
    // The last "</body" of the page, when only the end of the document follows it.
    std::size_t at = std::string::npos;
    for (std::size_t from = 0;;) {
        const std::size_t found = base::findNoCase(tail, "</body", from);
        if (found == std::string::npos) break;
        at = found;
        from = found + 1;
    }
    if (at != std::string::npos) {
        const std::size_t close = tail.find('>', at);
        const std::string rest =
            close == std::string::npos ? "-" : base::trimmed(tail.substr(close + 1), " \t\r\n");
        if (!rest.empty() && !base::equalsNoCase(rest, "</html>")) at = std::string::npos;
    }
    const off_t insertAt = at == std::string::npos ? size : tailStart + static_cast<off_t>(at);
    const std::string bytes =
        attachmentBlock(links) + (at == std::string::npos ? std::string() : tail.substr(at));
    if (::ftruncate(fd, insertAt) != 0) cannotInsert(pagePath, errno);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                   insertAt + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) cannotInsert(pagePath, errno);
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace pellmark::exporting
