#pragma once
// HTML pages get their message's attachments written beside them and a block of links to
// those files appended. The attachments are copied out; the mailbox is never changed.

#include <cstdint>
#include <string>
#include <vector>

#include "export/FolderOutput.h"
#include "store/MailStore.h"

namespace pellmark::exporting {

struct SavedAttachments {
    struct Failure {
        std::string fileName;  // empty when the attachment's name could not be read either
        std::string reason;
    };
    std::string links;               // one link line per attachment written, last attachment first
    std::vector<std::string> paths;  // the files written
    std::vector<uint64_t> sizes;     // of each
    std::vector<std::string> sha256s;  // of each, when they were hashed
    int64_t written = 0;
    uint64_t bytes = 0;
    std::vector<Failure> failures;
};

// An attachment written to a scratch file of its folder, waiting for its name.
struct RenderedAttachment {
    std::string fileName;  // as the item names it; empty when that could not be read
    std::string safeName;
    std::string scratch;  // empty when it failed
    std::string sha256;   // when asked for
    std::string failure;  // why it failed, else empty
};

// Saves every attachment of `item` into `output`, last attachment first, each under its own
// safe file name (with " (2)", " (3)", ... when the name is taken), and collects the links to
// the files actually written. An attachment that fails gets no file and no link.
SavedAttachments saveAttachments(store::MailItem& item, FolderOutput& output);

// The two halves of saveAttachments: writing the files to scratch files (on any thread,
// hashed when `hash`), then giving them their names in `output`, in order.
std::vector<RenderedAttachment> renderAttachments(store::MailItem& item, FolderOutput& output,
                                                  bool hash);
SavedAttachments placeAttachments(const std::vector<RenderedAttachment>& rendered,
                                  FolderOutput& output);
// Removes the scratch files of attachments whose page failed before they were placed.
void discardAttachments(const std::vector<RenderedAttachment>& rendered, FolderOutput& output);

// One link line: the href is the file name, relative to the page beside it and
// percent-encoded; the text is the full path, HTML-escaped.
std::string attachmentLink(const std::string& path);

// The block appended to a page: a heading line, the links, then CRLF.
std::string attachmentBlock(const std::string& links);

// Appends the block to the page at `pagePath`; nothing when `links` is empty.
void appendAttachmentBlock(const std::string& pagePath, const std::string& links);

}  // namespace pellmark::exporting
