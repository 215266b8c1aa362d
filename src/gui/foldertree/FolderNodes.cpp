#include "gui/foldertree/FolderNodes.h"

#include <memory>
#include <vector>

#include "gui/foldertree/SmallIcons.h"
#include "store/FolderKinds.h"
#include "store/FolderWalk.h"

namespace pellmark::gui {
namespace {

std::string pathOf(store::Folder& folder) {
    try {
        return store::shownPath(folder.folderPath());
    } catch (const std::exception&) {
        return "a folder";
    }
}

}  // namespace

FolderNodes::FolderNodes(FolderTree& tree, std::function<void()> yield)
    : tree_(tree), yield_(std::move(yield)) {}

QTreeWidgetItem* FolderNodes::addFolder(store::Folder& folder, QTreeWidgetItem* parent) {
    const std::string path = folder.folderPath();
    const std::string entryId = folder.entryId();
    if (!visited_.insert(entryId).second) return nullptr;
    const int64_t count = folder.items()->count();
    const store::FolderKind kind = store::folderKindOf(folder.defaultMessageClass());
    const QString name = QString::fromStdString(folder.name());
    NodeSpec spec;
    spec.key = name;
    spec.text = name + QStringLiteral(" (") + QString::number(count) + QLatin1Char(')');
    spec.image = imageOf(kind);
    spec.hasItems = count > 0;
    spec.folder = store::FolderRef{entryId, path};
    return tree_.addNode(spec, parent);
}

void FolderNodes::addSubfolders(store::Folder& parent, QTreeWidgetItem* parentNode) {
    store::walkFolders<QTreeWidgetItem*>(
        parent, parentNode,
        [this](store::Folder& folder,
               QTreeWidgetItem* const& parent) -> std::optional<QTreeWidgetItem*> {
            QTreeWidgetItem* node = nullptr;
            try {
                node = addFolder(folder, parent);
            } catch (const std::exception& error) {
                tree_.noteUnread({pathOf(folder), error.what()});
            }
            // Once per subfolder, as soon as it is read: in a deep mailbox events would
            // otherwise wait until the deepest folder below it is done.
            yield_();
            if (!node) return std::nullopt;
            return node;
        },
        [this](const std::string& where, const std::string& reason) {
            tree_.noteUnread({store::shownPath(where), reason});
        });
}

}  // namespace pellmark::gui
