#pragma once
// HTML pages get their message's attachments written beside them and a block of links to
// those files at the end of the page's body. The attachments' names are claimed on the run's
// thread, in item order, before anything is written; a worker then writes the attachments and
// the page, the page with its links as it is written; the run's thread gives them all their
// names together. The attachments are copied out; the mailbox is never changed.

#include <cstdint>
#include <string>
#include <vector>

#include "base/ByteSink.h"
#include "base/Digests.h"
#include "export/FolderOutput.h"
#include "store/MailStore.h"

namespace pellmark::exporting {

// An attachment of a page: its name claimed in the folder's output, its scratch file.
struct RenderedAttachment {
    int32_t index = 0;               // in the item's attachments, from 1
    std::string fileName;            // as the item names it; empty when that could not be read
    FolderOutput::Placing file;      // scratch file and claimed name
    std::string failure;             // why it failed, else empty
    base::FileDigests digests = {};  // of its file, when a load file lists it
};

// On the run's thread: the attachments of `item`, last attachment first, each with a scratch
// file and the first free one of its safe file name, " (2)", " (3)", ... claimed in `output`.
// An attachment whose name cannot be read or claimed says why.
std::vector<RenderedAttachment> claimAttachments(store::MailItem& item, FolderOutput& output);

// On any thread: writes each claimed attachment to its scratch file (hashed when `hash`); one
// that fails says why. Then writes the page to `pageScratch` in `format`, with the links to the
// attachments written when `links` (an item of another format that has its attachments
// beside it for a load file gets none); returns its SHA-256 when `hash`.
std::string renderPage(store::MailItem& item, store::SaveFormat format,
                       std::vector<RenderedAttachment>& attachments, const std::string& pageScratch,
                       bool hash, bool links = true);

struct SavedAttachments {
    struct Failure {
        std::string fileName;  // empty when the attachment's name could not be read either
        std::string reason;
    };
    PlacedFile page;
    std::vector<PlacedFile> files;  // the attachments written, last attachment first
    int64_t written = 0;
    uint64_t bytes = 0;
    std::vector<Failure> failures;
};

// On the run's thread: names the page, records it and the attachments written with `ledger`
// and moves them all into place together. The name of an attachment that failed stays taken:
// names must not depend on how many items were in flight when a failure became known.
// Throws WriteError when the page cannot be placed.
SavedAttachments placeWithAttachments(FolderOutput::Placing& page,
                                      const std::vector<RenderedAttachment>& attachments,
                                      FolderOutput& output, Ledger& ledger);

// Removes the scratch files of a page's attachments (their names stay taken).
void discardAttachments(const std::vector<RenderedAttachment>& attachments, FolderOutput& output);

// One link line: the href is the file name, relative to the page beside it and
// percent-encoded; the text is the file name, HTML-escaped. The page names no folder of the
// machine it was written on, and its links still work once the folder moves.
std::string attachmentLink(const std::string& fileName);

// The block put into a page: a heading line, the links, then CRLF.
std::string attachmentBlock(const std::string& links);

// Passes a page on to `next` with the block of `links` in it: before the closing body tag at
// its end, so that the page stays well-formed, else after its last byte. Holds back only the
// page's last bytes, where that tag is looked for.
class LinkBlockFilter : public base::ByteSink {
  public:
    LinkBlockFilter(base::ByteSink& next, std::string links);
    void finish() override;

  protected:
    void consume(std::string_view bytes) override;

  private:
    std::string buffer_;
    base::ByteSink& next_;
    std::string links_;
    std::string tail_;
};

}  // namespace pellmark::exporting
