#include "export/RunSummary.h"

namespace pellmark::exporting {

namespace {

constexpr std::size_t kFoldersListed = 20;

std::string counted(int64_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

CompletionMessage completionMessage(const RunSummary& summary) {
    if (summary.succeeded()) {
        return {"Export Complete",
                "Outlook Mailbox Exported Successfully to >\r\n" + summary.exportRoot, false};
    }
    std::string text = "Outlook Mailbox exported with errors to >\r\n" + summary.exportRoot +
                       "\r\n\r\n" + counted(summary.itemsWritten, "item", "items") +
                       " exported.\r\n";
    if (summary.stopped) text += "The export was stopped before its end.\r\n";
    if (!summary.damage.empty()) {
        text += "The mailbox file is damaged:\r\n";
        for (const auto& what : summary.damage) text += "    " + what + "\r\n";
    }
    if (summary.itemsRecovered > 0) {
        text += counted(summary.itemsRecovered, "item", "items") +
                " that no folder listed any more were recovered into \"" + kRecoveredItems +
                "\".\r\n";
    }
    if (summary.itemsFailed > 0) {
        text += counted(summary.itemsFailed, "item", "items") + " could not be exported.\r\n";
    }
    if (summary.attachmentsFailed > 0) {
        text += counted(summary.attachmentsFailed, "attachment", "attachments") +
                " could not be saved.\r\n";
    }
    if (!summary.failedFolders.empty()) {
        text += "Folders with errors:\r\n";
        for (std::size_t i = 0; i < summary.failedFolders.size() && i < kFoldersListed; ++i) {
            text += "    " + summary.failedFolders[i] + "\r\n";
        }
        if (summary.failedFolders.size() > kFoldersListed) {
            text += "    and " + std::to_string(summary.failedFolders.size() - kFoldersListed) +
                    " more\r\n";
        }
    }
    return {"Export finished with errors", text, true};
}

}  // namespace pellmark::exporting
