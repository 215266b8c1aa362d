#pragma once
// Which folders of a mailbox an export takes: decided here once, for the command line (every
// folder, or those --folder names) and for the window (its tree's ticks, whose nodes follow
// the same rule). Every folder goes, whatever its class; the store's top folder only when it
// holds items of its own.

#include <cstdint>
#include <string>
#include <vector>

#include "store/FolderRef.h"
#include "store/FolderWalk.h"
#include "store/MailStore.h"

namespace pellmark::exporting {

// The folders of one export, in order, and the folders the walk that chose them could not
// read (failures of the run too).
struct FolderSelection {
    std::vector<store::FolderRef> folders;
    std::vector<store::UnreadFolder> unreadFolders = {};
};

struct ExportableFolder {
    store::FolderRef ref;
    int64_t items = 0;
    bool exportedByDefault = true;  // the top folder without items of its own is not
};

// Whether the top folder of a store goes with an export: when it holds items of its own (its
// subfolders are folders of their own).
bool exportsTopFolder(store::Folder& top);

// The store's top folder, then every folder below it, depth first, in the store's order (the
// one guarded walk). What cannot be read is named in `unread`.
std::vector<ExportableFolder> exportableFolders(store::Store& store,
                                                std::vector<store::UnreadFolder>& unread);

// Every folder that goes by default.
FolderSelection defaultSelection(const std::vector<ExportableFolder>& folders,
                                 std::vector<store::UnreadFolder> unread);

}  // namespace pellmark::exporting
