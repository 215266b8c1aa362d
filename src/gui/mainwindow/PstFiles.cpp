#include "gui/mainwindow/PstFiles.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include "base/Text.h"
#include "gui/mainwindow/SourceSteps.h"
#include "gui/widgets/Controls.h"

namespace pellmark::gui {

PstFiles::PstFiles(MainWindowParts& parts, MailboxFolderDisplay& display)
    : parts_(parts), display_(display) {}

void PstFiles::browse() {
    const QString path = parts_.dialogs.fileDialog.openFile(
        &parts_.MainWindow, QString(), QStringLiteral("Outlook Mailbox (*.pst)|*.pst"));
    writeLockedText(parts_.pstPathBox, path);
    setTabPageEnabled(parts_.notesTab, 2, false);
}

void PstFiles::openPstFile() {
    const UserAction action(parts_.current);
    if (!action.taken()) return;
    parts_.startButton.setEnabled(false);
    if (!logOn(parts_)) return;
    const std::string path = base::trimmed(parts_.pstPathBox.text().toStdString(), " ");
    std::string fillFailure;
    skipFailing([&] { parts_.current.mailbox = parts_.current.session->stores().add(path); });
    skipFailing([&] { showOpenedStore(fillFailure); });
    logOffAndRelease(parts_);
    showPreviewPage(parts_);
    if (!fillFailure.empty()) reportIncompleteTree(parts_, fillFailure);
}

void PstFiles::showOpenedStore(std::string& fillFailure) {
    store::Store* store = parts_.current.mailbox.get();
    if (!store || base::trimmed(store->dataFilePath(), " ").empty()) return;
    parts_.storeList.setEnabled(false);
    parts_.storeId = store->entryId();
    try {
        display_.showPstFolders();
    } catch (const std::exception& error) {
        // The tree keeps what was read; the export can still start from it.
        fillFailure = error.what();
        if (fillFailure.empty()) fillFailure = "unknown failure";
    }
    parts_.startButton.setEnabled(true);
}

}  // namespace pellmark::gui
