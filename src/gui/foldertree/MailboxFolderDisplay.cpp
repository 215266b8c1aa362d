#include "gui/foldertree/MailboxFolderDisplay.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QPushButton>

#include "export/FolderSelection.h"
#include "gui/foldertree/FolderNodes.h"
#include "gui/foldertree/SmallIcons.h"
#include "gui/mainwindow/StoreList.h"

namespace pellmark::gui {

void processPendingEvents() {
    QCoreApplication::processEvents();
}

MailboxFolderDisplay::MailboxFolderDisplay(MainWindowParts& parts) : parts_(parts) {}

void MailboxFolderDisplay::showMailboxFolders() {
    CurrentObjects& current = parts_.current;
    current.session = parts_.sessions.create();
    current.session->logon();
    parts_.yield();
    const std::string id = pickedStoreId(parts_.storeList);
    if (id.empty()) throw store::StoreError("the list entry names no mailbox");
    current.mailbox = current.session->storeFromId(id);
    if (!current.mailbox) throw store::StoreError("the mailbox was not found");
    // Only now: a mailbox that cannot be found leaves the shown tree and its id together.
    parts_.storeId = id;
    fill(*current.mailbox);
    current.session->logoff();
    parts_.yield();
    current.release();
    ticking();
}

void MailboxFolderDisplay::showPstFolders() {
    parts_.yield();
    parts_.startButton.setEnabled(false);
    if (!parts_.current.mailbox) throw store::StoreError("no mailbox is open");
    fill(*parts_.current.mailbox);
    ticking();
}

void MailboxFolderDisplay::fill(store::Store& store) {
    FolderTree& tree = parts_.folderTree;
    tree.removeAllNodes();
    struct Batches {
        FolderTree& tree;
        explicit Batches(FolderTree& t) : tree(t) { tree.beginBatches(); }
        ~Batches() { tree.endBatches(); }
    } batches(tree);
    try {
        const QString name = QString::fromStdString(store.displayName());
        std::unique_ptr<store::Folder> top = store.rootFolder();
        // The root node stands for the store; it stands for the top folder too only when that
        // folder holds items of its own, which are then exported with the root ticked.
        std::optional<store::FolderRef> folder;
        if (exporting::exportsTopFolder(*top)) folder = store::folderRefOf(*top);
        QTreeWidgetItem* root = tree.addNode({name, name, kStoreImage, true, folder}, nullptr);
        tree.rootAdded();
        FolderNodes walk(tree, parts_.yield);
        walk.addSubfolders(*top, root);
    } catch (const std::exception& error) {
        parts_.current.folder.reset();
        throw FillError(error.what());
    }
}

void MailboxFolderDisplay::ticking() {
    FolderTree& tree = parts_.folderTree;
    for (int index = 1; index <= tree.nodeCount(); ++index) tree.setCheckState(index, 1);
    tree.fillEnded();
    const auto& unread = tree.unreadFolders();
    if (!unread.empty()) {
        std::string what = unread[0].path + ": " + unread[0].reason;
        if (unread.size() > 1) what += " (and " + std::to_string(unread.size() - 1) + " more)";
        throw FillError(what);
    }
}

}  // namespace pellmark::gui
