#include "gui/mainwindow/SourceSteps.h"

#include <QTabWidget>

#include "gui/widgets/Controls.h"

namespace pellmark::gui {

namespace {

const QString kMessageTitle = QString::fromLatin1(kProgramMessageTitle);

}  // namespace

bool logOn(MainWindowParts& parts) {
    try {
        parts.current.session = parts.sessions.create();
        parts.current.session->logon();
        return true;
    } catch (const std::exception&) {
        parts.dialogs.messageBox.inform(
            &parts.MainWindow, kMessageTitle,
            QStringLiteral("Outlook NOT installed or configured properly."));
        return false;
    }
}

void logOffAndRelease(MainWindowParts& parts) {
    if (parts.current.session) skipFailing([&] { parts.current.session->logoff(); });
    parts.current.release();
}

void showPreviewPage(MainWindowParts& parts) {
    setTabPageEnabled(parts.notesTab, 2, true);
    setCurrentTabPage(parts.notesTab, 2);
}

void reportShowFailure(MainWindowParts& parts, const std::string& reason) {
    parts.dialogs.messageBox.inform(
        &parts.MainWindow, kMessageTitle,
        QStringLiteral("The mailbox could not be shown: %1").arg(QString::fromStdString(reason)));
}

void reportIncompleteTree(MainWindowParts& parts, const std::string& reason) {
    parts.dialogs.messageBox.inform(
        &parts.MainWindow, kMessageTitle,
        QStringLiteral("Not all folders of the mailbox could be read; the tree shows every "
                       "folder that could be, and the export names the others.\r\n%1")
            .arg(QString::fromStdString(reason)));
}

}  // namespace pellmark::gui
