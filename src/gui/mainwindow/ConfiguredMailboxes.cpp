#include "gui/mainwindow/ConfiguredMailboxes.h"

#include <QComboBox>
#include <QPushButton>

#include "gui/mainwindow/SourceSteps.h"

namespace pellmark::gui {

QString storeListEntry(const std::string& displayName, const std::string& entryId) {
    return QString::fromStdString(displayName) + QString(300, QLatin1Char(' ')) + QLatin1Char('#') +
           QString::fromStdString(entryId);
}

ConfiguredMailboxes::ConfiguredMailboxes(gui::MainWindowParts& parts,
                                         gui::MailboxFolderDisplay& display)
    : parts_(parts), display_(display) {}

void ConfiguredMailboxes::CmdExportConfigured_Click() {
    const UserAction action(parts_.current);
    if (!action.taken()) return;
    parts_.CmdStartConversion.setEnabled(false);
    if (!logOn(parts_)) return;
    // A second listing replaces the first instead of adding every store again.
    parts_.CmbOutlookStores.clear();
    skipFailing([&] { listStores(); });
    logOffAndRelease(parts_);
    showPreviewPage(parts_);
}

void ConfiguredMailboxes::listStores() {
    std::unique_ptr<store::StoreEnumerator> stores =
        parts_.current.CurrentSession->stores().enumerate();
    while ((parts_.current.CurrentStore = stores->next())) {
        store::Store& store = *parts_.current.CurrentStore;
        skipFailing([&] {
            if (trimSpaces(store.secondText()).empty()) return;
            const QString entry = storeListEntry(store.displayName(), store.entryId());
            parts_.CmbOutlookStores.setEnabled(true);
            parts_.CmbOutlookStores.addItem(entry);
        });
    }
}

void ConfiguredMailboxes::CmbOutlookStores_Click() {
    const UserAction action(parts_.current);
    if (!action.taken()) return;
    QComboBox& list = parts_.CmbOutlookStores;
    list.setEnabled(false);
    // The list shows its starting text only while nothing is picked; that text is no entry.
    if (list.currentIndex() >= 0 && !list.currentText().isEmpty()) {
        parts_.CmdStartConversion.setEnabled(false);
        try {
            display_.ShowMailboxFolders();
        } catch (const gui::FillError& error) {
            reportIncompleteTree(parts_, error.what());
        } catch (const std::exception& error) {
            reportShowFailure(parts_, error.what());
        }
        parts_.CmdStartConversion.setEnabled(true);
    }
    list.setEnabled(true);
}

}  // namespace pellmark::gui
