#pragma once
// A folder as the application refers to it between user actions: by its entry identifier,
// which finds it again in any later session, and its path, which names it to the user even
// when it cannot be found again.

#include <string>

#include "store/MailStore.h"

namespace pellmark::store {

struct FolderRef {
    std::string entryId;
    std::string path;  // FolderPath: "\\Store\Folder\Sub"

    bool empty() const { return entryId.empty(); }
    bool operator==(const FolderRef&) const = default;
};

inline FolderRef folderRefOf(Folder& folder) {
    return {folder.entryId(), folder.folderPath()};
}

}  // namespace pellmark::store
