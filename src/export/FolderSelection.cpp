#include "export/FolderSelection.h"

namespace pellmark::exporting {

bool exportsTopFolder(store::Folder& top) {
    return top.items()->count() > 0;
}

std::vector<ExportableFolder> exportableFolders(store::Store& store,
                                                std::vector<store::UnreadFolder>& unread) {
    std::vector<ExportableFolder> out;
    auto add = [&](store::Folder& folder) {
        // The path first, so that a failure later can still name the folder.
        std::string path;
        try {
            path = folder.folderPath();
            out.push_back({{folder.entryId(), path}, folder.items()->count()});
        } catch (const std::exception& error) {
            unread.push_back({store::shownPath(path), error.what()});
        }
    };
    std::unique_ptr<store::Folder> top;
    try {
        top = store.rootFolder();
    } catch (const std::exception& error) {
        // Nothing can be walked; what the file still holds is recovered by the run.
        unread.push_back({"the top folder", error.what()});
        return out;
    }
    add(*top);
    if (!out.empty()) out.back().exportedByDefault = out.back().items > 0;
    store::walkFolders<int>(
        *top, 0,
        [&](store::Folder& folder, const int&) -> std::optional<int> {
            add(folder);
            return 0;
        },
        [&](const std::string& where, const std::string& reason) {
            unread.push_back({store::shownPath(where), reason});
        });
    return out;
}

FolderSelection defaultSelection(const std::vector<ExportableFolder>& folders,
                                 std::vector<store::UnreadFolder> unread) {
    FolderSelection selection{{}, std::move(unread)};
    for (const ExportableFolder& f : folders) {
        if (f.exportedByDefault) selection.folders.push_back(f.ref);
    }
    return selection;
}

}  // namespace pellmark::exporting
