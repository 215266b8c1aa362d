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
#include <string>

#include "pstwriter/messaging/PstBuilder.h"

namespace pellmark::pstwriter {

struct GenerateOptions {
    uint64_t items = 1000;
    uint64_t seed = 1;
    FileVariant variant;
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

}  // namespace pellmark::pstwriter
