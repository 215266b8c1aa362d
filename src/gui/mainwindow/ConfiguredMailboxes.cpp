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
    std::vector<std::string> unlisted;
    skipFailing([&] { listStores(unlisted); });
    logOffAndRelease(parts_);
    showPreviewPage(parts_);
    // The stores that open are listed as ever; one whose file is missing or damaged is named
    // once the list is complete, instead of vanishing from it without a word.
    reportUnlistedStores(parts_, unlisted);
}

void ConfiguredMailboxes::listStores(std::vector<std::string>& unlisted) {
    std::unique_ptr<store::StoreEnumerator> stores = parts_.current.session->stores().enumerate();
    while ((parts_.current.mailbox = stores->next())) {
        store::Store& store = *parts_.current.mailbox;
        std::string path;
        skipFailing(
            [&] {
                path = store.dataFilePath();
                // Stores without a data file of their own are not offered.
                if (base::trimmed(path, " ").empty()) return;
                const std::string name = store.displayName();
                const std::string id = store.entryId();
                parts_.storeList.setEnabled(true);
                addStoreEntry(parts_.storeList, name, id);
            },
            [&](const std::exception& error) {
                // A failing second text names the file itself; later failures need it added.
                unlisted.push_back(path.empty() ? error.what() : path + ": " + error.what());
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
