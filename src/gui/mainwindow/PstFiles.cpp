#include "gui/mainwindow/PstFiles.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include "gui/mainwindow/SourceSteps.h"
#include "gui/widgets/Controls.h"

namespace pellmark::gui {

PstFiles::PstFiles(gui::MainWindowParts& parts, gui::MailboxFolderDisplay& display)
    : parts_(parts), display_(display) {}

void PstFiles::CmdBrowse_Click() {
    const QString path = parts_.dialogs.fileDialog.openFile(
        &parts_.frmMain, QString(), QStringLiteral("Outlook Mailbox (*.pst)|*.pst"));
    gui::writeLockedText(parts_.txtNotesDatabaseFile, path);
    gui::setTabPageEnabled(parts_.NotesTab, 2, false);
}

void PstFiles::CmdExportOther_Click() {
    const UserAction action(parts_.current);
    if (!action.taken()) return;
    parts_.CmdStartConversion.setEnabled(false);
    if (!logOn(parts_)) return;
    const std::string path = trimSpaces(parts_.txtNotesDatabaseFile.text().toStdString());
    std::string fillFailure;
    skipFailing(
        [&] { parts_.current.CurrentStore = parts_.current.CurrentSession->stores().add(path); });
    skipFailing([&] { showOpenedStore(fillFailure); });
    logOffAndRelease(parts_);
    showPreviewPage(parts_);
    if (!fillFailure.empty()) reportIncompleteTree(parts_, fillFailure);
}

void PstFiles::showOpenedStore(std::string& fillFailure) {
    store::Store* store = parts_.current.CurrentStore.get();
    if (!store || trimSpaces(store->secondText()).empty()) return;
    parts_.CmbOutlookStores.setEnabled(false);
    parts_.CurrentStoreID = store->entryId();
    try {
        display_.ShowPstFolders();
    } catch (const std::exception& error) {
        // The tree keeps what was read; the export can still start from it.
        fillFailure = error.what();
        if (fillFailure.empty()) fillFailure = "unknown failure";
    }
    parts_.CmdStartConversion.setEnabled(true);
}

}  // namespace pellmark::gui
