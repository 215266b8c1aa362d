#include "gui/mainwindow/ConversionStart.h"

#include "gui/conversion/ConversionWindow.h"
#include "gui/mainwindow/BrowseForFolder.h"

namespace pellmark::gui {

ConversionStart::ConversionStart(FolderTree& tree, ConversionSelection& selection,
                                 store::SessionFactory& sessions, Dialogs dialogs, QWidget* owner)
    : tree_(tree), selection_(selection), sessions_(sessions), dialogs_(dialogs), owner_(owner) {}

void ConversionStart::start() {
    const int nodes = tree_.nodeCount();
    // Indexes 0 to the node count, the ticked folders first in tree order, then empty
    // references. Node 1 is the store's root: a folder to export only when it stands for a top
    // folder that holds items.
    selection_.folders.assign(static_cast<std::size_t>(nodes) + 1, store::FolderRef{});
    std::size_t ticked = 0;
    for (int index = 1; index <= nodes; ++index) {
        auto folder = tree_.folder(index);
        if (tree_.checkState(index) == 1 && folder) selection_.folders[ticked++] = *folder;
    }
    selection_.unreadFolders = tree_.unreadFolders();
    if (ticked < 1) {
        dialogs_.messageBox.inform(owner_, QStringLiteral("Export Outlook Folders to Lotus Notes"),
                                   QStringLiteral("Please Select Folders to Export"));
        return;
    }
    selection_.exportRootPath = browseForFolder(dialogs_.folderBrowser, nullptr,
                                                QStringLiteral("Select Path to Save NSF File"))
                                    .toStdString();
    if (selection_.exportRootPath.empty()) return;
    ConversionWindow::showModal(selection_, sessions_, dialogs_, owner_);
}

}  // namespace pellmark::gui
