#pragma once
// What the main window hands to the conversion window: the mailbox shown, the ticked folders'
// tags and the directory chosen. A run rewrites ExportRootPath to the export root and empties
// SelectedFolderTags, whatever its outcome.

#include <string>
#include <vector>

#include "store/FolderWalk.h"

namespace pellmark::gui {

struct ConversionSelection {
    std::string CurrentStoreID;
    std::vector<std::string> SelectedFolderTags;
    std::string ExportRootPath;
    // What the folder tree could not read, a line each: reported with the run's failures.
    std::vector<store::UnreadFolder> unreadFolders;
};

}  // namespace pellmark::gui
