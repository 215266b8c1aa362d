#pragma once
// What the main window hands to the conversion window: the mailbox shown, the ticked folders
// and the directory chosen. A run rewrites exportRootPath to the export root and empties
// folders, whatever its outcome.

#include <string>
#include <vector>

#include "store/FolderRef.h"
#include "store/FolderWalk.h"

namespace pellmark::gui {

struct ConversionSelection {
    std::string storeId;
    // The ticked folders in tree order, then empty references up to one per tree node.
    std::vector<store::FolderRef> folders;
    std::string exportRootPath;
    // What the folder tree could not read: reported with the run's failures.
    std::vector<store::UnreadFolder> unreadFolders = {};
};

}  // namespace pellmark::gui
