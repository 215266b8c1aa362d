#include "gui/mainwindow/PstFiles.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include "base/Text.h"
#include "gui/mainwindow/SourceSteps.h"
#include "gui/widgets/Controls.h"

namespace pellmark::gui {

namespace {

// The .pst entry comes first and is the one chosen; offline folders (.ost) open the same way,
// and "All files" reaches a data file whatever its name ends in.
const char* const kDataFileFilter =
    "Outlook Mailbox (*.pst)|*.pst|Offline Outlook Data File (*.ost)|*.ost|All files (*)|*";

}  // namespace

PstFiles::PstFiles(MainWindowParts& parts, MailboxFolderDisplay& display)
    : parts_(parts), display_(display) {}

void PstFiles::browse() {
    const QString path = parts_.dialogs.fileDialog.openFile(&parts_.MainWindow, QString(),
                                                            QLatin1String(kDataFileFilter));
    writeLockedText(parts_.pstPathBox, path);
    setTabPageEnabled(parts_.notesTab, 2, false);
}

void PstFiles::openPstFile() {
    const UserAction action(parts_.current);
    if (!action.taken()) return;
    parts_.startButton.setEnabled(false);
    if (!logOn(parts_)) return;
    const std::string path = base::trimmed(parts_.pstPathBox.text().toStdString(), " ");
    std::string openFailure;
    std::string fillFailure;
    auto noteOpenFailure = [&](const std::exception& error) {
        openFailure = *error.what() ? error.what() : "unknown failure";
    };
    skipFailing([&] { parts_.current.mailbox = parts_.current.session->stores().add(path); },
                noteOpenFailure);
    skipFailing([&] { showOpenedStore(fillFailure); }, noteOpenFailure);
    logOffAndRelease(parts_);
    showPreviewPage(parts_);
    // The flow stays as it is for a file that does not open; the user is told which and why
    // instead of facing an unchanged page.
    if (!openFailure.empty()) reportUnopenedFile(parts_, path, openFailure);
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
