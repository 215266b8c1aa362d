#pragma once
// What a conversion run did, and the message that ends it.

#include <cstdint>
#include <string>
#include <vector>

#include "store/MailStore.h"

namespace pellmark::exporting {

// The directory below the export root that takes the items no folder lists any more.
inline constexpr const char* kRecoveredItems = "Recovered items";
// Its folder path, as one step that no folder of a store is (their ids are the store's).
inline store::PathStep recoveredItemsStep() {
    return {kRecoveredItems, "(recovered)"};
}
// Below it, what the file still held of deleted items and of replaced versions.
inline constexpr const char* kDeletedItems = "Deleted";
inline store::PathStep deletedItemsStep() {
    return {kDeletedItems, "(deleted)"};
}

struct RunSummary {
    std::string exportRoot;  // ends with '/'
    int64_t folders = 0;     // folders asked for (non-empty references)
    int64_t itemsWritten = 0;
    int64_t itemsFailed = 0;
    int64_t itemsSkipped = 0;  // distribution lists
    // Messages dated outside the run's dates, passed over.
    int64_t itemsOutsideDates = 0;
    // Items of folders of a kind the format does not hold (vCards: other than contacts;
    // iCalendar: other than calendars, tasks and journals), passed over, and those folders (that
    // hold any items), in run order.
    int64_t itemsOfOtherKinds = 0;
    std::vector<std::string> foldersOfOtherKinds;
    // Items no folder listed any more, written into the "Recovered items" directory; counted
    // in itemsWritten too.
    int64_t itemsRecovered = 0;
    // Deleted items and replaced versions recovered into "Recovered items/Deleted" (counted in
    // itemsWritten too), and those found whose remains could not be read.
    int64_t deletedRecovered = 0;
    int64_t deletedOverwritten = 0;
    // Items written without a part that their format could not express (a damaged recurrence
    // left out), each as "Folder\Subject: what was left out", in run order; counted in
    // itemsWritten too.
    std::vector<std::string> itemsWrittenInPart;
    // Copies of messages written before (in any folder or mailbox of the run), left out and
    // listed with the document they duplicate.
    int64_t copiesLeftOut = 0;
    // Items a resumed run found written whole by the run before it, and passed over.
    int64_t itemsAlreadyExported = 0;
    int64_t attachmentsWritten = 0;
    int64_t attachmentsFailed = 0;
    uint64_t bytesWritten = 0;
    // Folders in which anything failed, each once, in run order: the folder path below the
    // store's root ("Personal Folders\Inbox"), or what the reference tells of a folder not found.
    std::vector<std::string> failedFolders;
    // Damage of the mailbox file (cut short, a damaged index), a sentence each.
    std::vector<std::string> damage;
    // The run was stopped before its end.
    bool stopped = false;

    bool succeeded() const {
        return itemsFailed == 0 && attachmentsFailed == 0 && failedFolders.empty() &&
               damage.empty() && !stopped;
    }
};

struct CompletionMessage {
    std::string title;
    std::string text;  // lines end with CRLF
    bool failure = false;
};

// "Export Complete" when all went well; otherwise a summary of what failed.
CompletionMessage completionMessage(const RunSummary& summary);

}  // namespace pellmark::exporting
