#pragma once
// HTML pages get their message's attachments written beside them and a block of links to
// those files at the end of the page's body. The attachments are copied out; the mailbox is
// never changed.

#include <cstdint>
#include <string>
#include <vector>

#include "export/FolderOutput.h"
#include "store/MailStore.h"

namespace pellmark::exporting {

// An attachment written to a scratch file of its folder, waiting for its name.
struct RenderedAttachment {
    std::string fileName;  // as the item names it; empty when that could not be read
    std::string safeName;
    std::string scratch;  // empty when it failed
    std::string sha256;   // when asked for
    std::string failure;  // why it failed, else empty
};

// Writes every attachment of `item` to scratch files of `output`, last attachment first (on
// any thread), hashed when `hash`. An attachment that fails says why.
std::vector<RenderedAttachment> renderAttachments(store::MailItem& item, FolderOutput& output,
                                                  bool hash);

struct SavedAttachments {
    struct Failure {
        std::string fileName;  // empty when the attachment's name could not be read either
        std::string reason;
    };
    PlacedFile page;
    std::vector<PlacedFile> files;  // the attachments written, last attachment first
    std::string links;              // one link line per attachment written
    int64_t written = 0;
    uint64_t bytes = 0;
    std::vector<Failure> failures;
};

// Gives the attachments their names in `output`, each its own safe file name (with " (2)",
// " (3)", ... when the name is taken), puts the links to them into the page `page` (a scratch
// file), then records the page and the attachments with `ledger` and moves them all into place
// together (hashing the page again when `hash`). An attachment that failed gets no file and no
// link; the scratch files of the others are removed when the page cannot be placed. Throws
// WriteError when the page cannot.
SavedAttachments placeWithAttachments(FolderOutput::Placing& page,
                                      const std::vector<RenderedAttachment>& rendered,
                                      FolderOutput& output, Ledger& ledger, bool hash);

// Removes the scratch files of attachments whose page failed before they were placed.
void discardAttachments(const std::vector<RenderedAttachment>& rendered, FolderOutput& output);

// One link line: the href is the file name, relative to the page beside it and
// percent-encoded; the text is the file name, HTML-escaped. The page names no folder of the
// machine it was written on, and its links still work once the folder moves.
std::string attachmentLink(const std::string& fileName);

// The block put into a page: a heading line, the links, then CRLF.
std::string attachmentBlock(const std::string& links);

// Puts the block into the page at `pagePath`: before the closing body tag at its end, so that
// the page stays well-formed, else after its last byte. Nothing when `links` is empty.
void insertAttachmentBlock(const std::string& pagePath, const std::string& links);

}  // namespace pellmark::exporting
