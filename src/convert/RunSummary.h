#pragma once
// What a conversion run did, and the message that ends it.

#include <cstdint>
#include <string>
#include <vector>

namespace pellmark::convert {

struct RunSummary {
    std::string exportRoot;  // ends with '/'
    int64_t folders = 0;     // folders asked for (non-empty tags)
    int64_t itemsWritten = 0;
    int64_t itemsFailed = 0;
    int64_t itemsSkipped = 0;  // distribution lists
    int64_t attachmentsWritten = 0;
    int64_t attachmentsFailed = 0;
    uint64_t bytesWritten = 0;
    // Folders in which anything failed, each once, in run order: the folder path below the
    // store's root ("Personal Folders\Inbox"), or what the tag tells of a folder not found.
    std::vector<std::string> failedFolders;

    bool succeeded() const {
        return itemsFailed == 0 && attachmentsFailed == 0 && failedFolders.empty();
    }
};

struct CompletionMessage {
    std::string title;
    std::string text;  // lines end with CRLF
    bool failure = false;
};

// "Export Complete" when all went well; otherwise a summary of what failed.
CompletionMessage completionMessage(const RunSummary& summary);

}  // namespace pellmark::convert
