#pragma once
// The one walk over a store's folders: depth first, each folder before its subfolders,
// siblings in the store's order. It keeps its own stack, so a mailbox of any depth cannot
// exhaust the program's; it enters each folder once (by entry identifier), so a damaged file
// whose folders list each other in a loop still ends; and a folder or subfolder list that
// cannot be read is reported to `failed` while the walk goes on with the rest.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "store/MailStore.h"

namespace pellmark::store {

// A folder, or the folders below it, that a walk could not read.
struct UnreadFolder {
    std::string path;  // as shownPath() gives it
    std::string reason;
};

// A folder path as failures name it: "Personal Folders\Inbox" for "\\Personal Folders\Inbox".
inline std::string shownPath(const std::string& folderPath) {
    return folderPath.rfind("\\\\", 0) == 0 ? folderPath.substr(2) : folderPath;
}

// `found(folder, parentContext)` is called for every folder below `top` and returns the
// context its own subfolders get, or nullopt to leave them out. `failed(where, reason)` names
// the folder whose subfolders, or one of them, could not be read (its folderPath, or empty
// when even that is unreadable). Exceptions of `found` pass through and end the walk.
template <class Context>
void walkFolders(
    Folder& top, Context topContext,
    const std::function<std::optional<Context>(Folder&, const Context&)>& found,
    const std::function<void(const std::string& where, const std::string& reason)>& failed) {
    struct Level {
        std::unique_ptr<Folder> owned;  // null for `top`, which the caller owns
        Folder* folder;
        std::unique_ptr<Folders> folders;
        std::unique_ptr<FolderEnumerator> subfolders;
        Context context;
        int64_t failuresLeft;  // an enumerator failing more often than it has folders is stuck
    };
    auto where = [](Folder& folder) {
        try {
            return folder.folderPath();
        } catch (const std::exception&) {
            return std::string();
        }
    };
    std::unordered_set<std::string> entered;
    std::vector<Level> levels;
    auto descend = [&](std::unique_ptr<Folder> owned, Folder& folder, Context context) {
        try {
            auto folders = folder.folders();
            auto subfolders = folders->enumerate();
            const int64_t count = folders->count();
            levels.push_back({std::move(owned), &folder, std::move(folders), std::move(subfolders),
                              std::move(context), count + 1});
        } catch (const std::exception& error) {
            failed(where(folder), std::string("its subfolders cannot be read: ") + error.what());
        }
    };
    try {
        entered.insert(top.entryId());
    } catch (const std::exception&) {
    }
    descend(nullptr, top, std::move(topContext));
    while (!levels.empty()) {
        std::unique_ptr<Folder> subfolder;
        try {
            subfolder = levels.back().subfolders->next();
        } catch (const std::exception& error) {
            failed(where(*levels.back().folder),
                   std::string("a folder below it cannot be read: ") + error.what());
            if (--levels.back().failuresLeft < 0) levels.pop_back();
            continue;
        }
        if (!subfolder) {
            levels.pop_back();
            continue;
        }
        std::string id;
        try {
            id = subfolder->entryId();
        } catch (const std::exception& error) {
            failed(where(*levels.back().folder),
                   std::string("a folder below it cannot be read: ") + error.what());
            continue;
        }
        if (!entered.insert(id).second) continue;
        std::optional<Context> context = found(*subfolder, levels.back().context);
        if (!context) continue;
        Folder& folder = *subfolder;
        descend(std::move(subfolder), folder, std::move(*context));
    }
}

}  // namespace pellmark::store
