#pragma once
// A realistic mailbox of about N items for benchmarks and broad tests: mail in nested folders,
// contacts with distribution lists, calendar, tasks, notes and journal, deleted items, an
// empty folder and one of an unknown class; varied senders and subjects in many scripts,
// plain, HTML and RTF bodies, inline images, attachments from a few bytes to several MB and
// some embedded messages. The same seed and count give the same file. Items are written as
// they are made, so memory stays flat however large the file.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "pstwriter/GeneratedContent.h"
#include "pstwriter/messaging/PstBuilder.h"

namespace pellmark::pstwriter {

struct GenerateOptions {
    uint64_t items = 1000;
    uint64_t seed = 1;
    FileVariant variant;
    // Write items until the file holds this many bytes, each folder its share, instead of
    // stopping at `items` (0: `items` decides).
    uint64_t targetBytes = 0;
    bool oneFolder = false;  // every item in the Inbox, the other folders empty
    bool small = false;      // mail with a short plain body only: no attachments or embedding
    // In addition, one message at the top of the Inbox with one attachment of this many bytes,
    // made as it is written (bigAttachmentContent gives the same bytes); 0: none.
    uint64_t bigAttachment = 0;
    // Called now and then with the items and bytes written so far.
    std::function<void(uint64_t items, uint64_t bytes)> progress;
};

struct GenerateSummary {
    // Items written per folder, by path below the top of the tree ("Inbox/Projects").
    std::map<std::string, uint64_t> folders;
    uint64_t items = 0;
    uint64_t attachments = 0;
    uint64_t bytes = 0;
};

GenerateSummary generateMailbox(const std::filesystem::path& path, const GenerateOptions& options);

// The subject, file name and content of the big attachment `options` asks for.
inline constexpr const char* kBigAttachmentSubject = "One large attachment";
inline constexpr const char* kBigAttachmentName = "large.bin";
std::shared_ptr<const GeneratedContent> bigAttachmentContent(const GenerateOptions& options);

}  // namespace pellmark::pstwriter
