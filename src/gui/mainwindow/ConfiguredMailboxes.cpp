#include "gui/mainwindow/ConfiguredMailboxes.h"

#include <QComboBox>
#include <QPushButton>

#include "base/Text.h"
#include "gui/mainwindow/SourceSteps.h"
#include "gui/mainwindow/StoreList.h"

namespace pellmark::gui {

ConfiguredMailboxes::ConfiguredMailboxes(MainWindowParts& parts, MailboxFolderDisplay& display)
    : parts_(parts), display_(display) {}

void ConfiguredMailboxes::listConfiguredMailboxes() {
    const UserAction action(parts_.current);
    if (!action.taken()) return;
    parts_.startButton.setEnabled(false);
    if (!logOn(parts_)) return;
    // A second listing replaces the first instead of adding every store again.
    parts_.storeList.clear();
    skipFailing([&] { listStores(); });
    logOffAndRelease(parts_);
    showPreviewPage(parts_);
}

void ConfiguredMailboxes::listStores() {
    std::unique_ptr<store::StoreEnumerator> stores = parts_.current.session->stores().enumerate();
    while ((parts_.current.mailbox = stores->next())) {
        store::Store& store = *parts_.current.mailbox;
        skipFailing([&] {
            if (base::trimmed(store.dataFilePath(), " ").empty()) return;
            const std::string name = store.displayName();
            const std::string id = store.entryId();
            parts_.storeList.setEnabled(true);
            addStoreEntry(parts_.storeList, name, id);
        });
    }
}

void ConfiguredMailboxes::showPickedMailbox() {
    const UserAction action(parts_.current);
    if (!action.taken()) return;
    QComboBox& list = parts_.storeList;
    list.setEnabled(false);
    // The list shows its starting text only while nothing is picked; that text is no entry.
    if (list.currentIndex() >= 0 && !list.currentText().isEmpty()) {
        parts_.startButton.setEnabled(false);
        try {
            display_.showMailboxFolders();
        } catch (const FillError& error) {
            reportIncompleteTree(parts_, error.what());
        } catch (const std::exception& error) {
            reportShowFailure(parts_, error.what());
        }
        parts_.startButton.setEnabled(true);
    }
    list.setEnabled(true);
}

}  // namespace pellmark::gui
