#include "export/AttachmentLinks.h"

#include <memory>

#include "base/AsciiCase.h"
#include "base/FileSink.h"
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

std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// How much of a page's end is searched for its closing body tag: what follows the tag is at
// most "</html>", blanks and line ends.
constexpr std::size_t kTailBytes = 4096;

}  // namespace

std::vector<RenderedAttachment> claimAttachments(store::MailItem& item, FolderOutput& output) {
    std::vector<RenderedAttachment> claimed;
    try {
        auto attachments = item.attachments();
        for (int32_t index = attachments->count(); index >= 1; --index) {
            RenderedAttachment& one = claimed.emplace_back();
            one.index = index;
            try {
                one.fileName = attachments->item(index)->fileName();
                const std::string safe = safeAttachmentName(one.fileName);
                one.file.nameFor = [safe](int attempt) { return numberedName(safe, attempt + 1); };
                output.claim(one.file);
                one.file.scratch = output.reserveScratch({});
            } catch (const std::exception& error) {
                if (!one.file.path.empty()) output.unclaim(one.file);
                one.failure = error.what();
            }
        }
    } catch (const std::exception& error) {
        claimed.emplace_back().failure = error.what();
    }
    return claimed;
}

std::string renderPage(store::MailItem& item, store::SaveFormat format,
                       std::vector<RenderedAttachment>& attachments, const std::string& pageScratch,
                       bool hash, bool linked) {
    std::string links;
    std::unique_ptr<store::Attachments> all;
    for (RenderedAttachment& one : attachments) {
        if (!one.failure.empty()) continue;
        try {
            if (!all) all = item.attachments();
            // Fetched anew for the save, as the collection may hand out short-lived objects.
            auto attachment = all->item(one.index);
            if (hash) {
                one.file.sha256 = attachment->saveAsHashed(one.file.scratch);
            } else {
                attachment->saveAsFile(one.file.scratch);
            }
            if (linked) links += attachmentLink(fileNameOf(one.file.path));
        } catch (const std::exception& error) {
            one.failure = error.what();
        }
    }
    if (links.empty() && hash) return item.saveAsHashed(pageScratch, format);
    if (links.empty()) {
        item.saveAs(pageScratch, format);
        return {};
    }
    base::FileSink page(pageScratch, hash);
    LinkBlockFilter withLinks(page, links);
    item.writeTo(withLinks, format);
    withLinks.finish();
    page.finish();
    return page.sha256();
}

SavedAttachments placeWithAttachments(FolderOutput::Placing& page,
                                      const std::vector<RenderedAttachment>& attachments,
                                      FolderOutput& output, Ledger& ledger) {
    SavedAttachments saved;
    std::vector<FolderOutput::Placing> files;
    for (const RenderedAttachment& one : attachments) {
        if (one.failure.empty()) {
            files.push_back(one.file);
            continue;
        }
        saved.failures.push_back({one.fileName, one.failure});
        if (!one.file.scratch.empty()) output.discard(one.file.scratch);
    }
    output.claim(page);
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

void discardAttachments(const std::vector<RenderedAttachment>& attachments, FolderOutput& output) {
    for (const RenderedAttachment& one : attachments) {
        if (!one.file.scratch.empty()) output.discard(one.file.scratch);
    }
}

std::string attachmentLink(const std::string& fileName) {
    return "<a href='" + base::percentEncoded(fileName, isUnreserved) + "'>" +
           formats::escapeHtml(fileName) + "</a>\r\n";
}

std::string attachmentBlock(const std::string& links) {
    return "<br /><br />:: Attachments ::<br />\r\n" + links + "\r\n";
}

LinkBlockFilter::LinkBlockFilter(base::ByteSink& next, std::string links)
    : base::ByteSink(buffer_), next_(next), links_(std::move(links)) {}

void LinkBlockFilter::consume(std::string_view bytes) {
    tail_.append(bytes);
    if (tail_.size() > 2 * kTailBytes) {
        next_.put(std::string_view(tail_).substr(0, tail_.size() - kTailBytes));
        tail_.erase(0, tail_.size() - kTailBytes);
    }
}

void LinkBlockFilter::finish() {
    flush();
    const std::string block = links_.empty() ? std::string() : attachmentBlock(links_);
    // The last "</body" of the page's last bytes, when only the end of the document follows.
    const std::size_t from = tail_.size() > kTailBytes ? tail_.size() - kTailBytes : 0;
    std::size_t at = std::string::npos;
    for (std::size_t found = from;
         (found = base::findNoCase(tail_, "</body", found)) != std::string::npos; ++found) {
        at = found;
    }
    if (at != std::string::npos) {
        const std::size_t close = tail_.find('>', at);
        const std::string rest =
            close == std::string::npos ? "-" : base::trimmed(tail_.substr(close + 1), " \t\r\n");
        if (!rest.empty() && !base::equalsNoCase(rest, "</html>")) at = std::string::npos;
    }
    if (at == std::string::npos) at = tail_.size();
    next_.put(std::string_view(tail_).substr(0, at));
    next_.put(block);
    next_.put(std::string_view(tail_).substr(at));
    tail_.clear();
    next_.flush();
}

}  // namespace pellmark::exporting
