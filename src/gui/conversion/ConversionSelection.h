#pragma once
// What the main window hands to the conversion window: the mailbox shown, the ticked folders'
// tags and the directory chosen. A run rewrites exportRootPath to the export root and empties
// folderTags, whatever its outcome.

#include <string>
#include <vector>

#include "store/FolderWalk.h"

namespace pellmark::gui {

struct ConversionSelection {
    std::string storeId;
    std::vector<std::string> folderTags;
    std::string exportRootPath;
    // What the folder tree could not read, a line each: reported with the run's failures.
    std::vector<store::UnreadFolder> unreadFolders;
};

}  // namespace pellmark::gui
