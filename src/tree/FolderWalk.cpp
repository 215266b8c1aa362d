#include "tree/FolderWalk.h"

#include <memory>
#include <vector>

#include "store/FolderKinds.h"

namespace pellmark::tree {

FolderWalk::FolderWalk(FolderTree& tree, std::function<void()> yield)
    : tree_(tree), yield_(std::move(yield)) {}

QTreeWidgetItem* FolderWalk::addFolder(store::Folder& folder, QTreeWidgetItem* parent) {
    const std::string path = folder.FolderPath();
    const std::string entryId = folder.entryId();
    if (!visited_.insert(entryId).second) return nullptr;
    const int64_t count = folder.items()->Count();
    const std::optional<int> image = store::folderImageIndex(folder.DefaultMessageClass());
    if (!image) return parent;
    const QString name = QString::fromStdString(folder.Name());
    NodeSpec spec;
    spec.key = name;
    spec.text = name + QStringLiteral(" (") + QString::number(count) + QLatin1Char(')');
    spec.image = *image;
    spec.hasItems = count > 0;
    spec.tag = QString::fromStdString(folderTag(entryId, path));
    return tree_.addNode(spec, parent);
}

std::string folderTag(const std::string& entryId, const std::string& folderPath) {
    // The path without its first character: "\\Store\Inbox" becomes "\Store\Inbox".
    return entryId + "#" + (folderPath.empty() ? folderPath : folderPath.substr(1));
}

std::string folderTag(store::Folder& folder) { return folderTag(folder.entryId(), folder.FolderPath()); }

void FolderWalk::GetSubFolders(store::Folder& iSubFolder, QTreeWidgetItem* iSubFolderNode) {
    // One level per folder being walked: the folder, its subfolder collection and where their
    // nodes go. The folder objects stay alive while their subfolders are read.
    struct Level {
        std::unique_ptr<store::Folder> folder;  // null for iSubFolder, which the caller owns
        std::unique_ptr<store::Folders> folders;
        std::unique_ptr<store::FolderEnumerator> subfolders;
        QTreeWidgetItem* node;
    };
    std::vector<Level> levels;
    auto descend = [&](std::unique_ptr<store::Folder> owned, store::Folder& folder,
                       QTreeWidgetItem* node) {
        auto folders = folder.folders();
        auto subfolders = folders->enumerate();
        levels.push_back({std::move(owned), std::move(folders), std::move(subfolders), node});
    };
    descend(nullptr, iSubFolder, iSubFolderNode);
    while (!levels.empty()) {
        std::unique_ptr<store::Folder> subfolder = levels.back().subfolders->next();
        if (!subfolder) {
            levels.pop_back();
            continue;
        }
        QTreeWidgetItem* node = addFolder(*subfolder, levels.back().node);
        // Once per subfolder, as soon as it is read: in a deep mailbox events would otherwise
        // wait until the deepest folder below it is done.
        yield_();
        if (!node) continue;
        store::Folder& folder = *subfolder;
        descend(std::move(subfolder), folder, node);
    }
}

}  // namespace pellmark::tree
