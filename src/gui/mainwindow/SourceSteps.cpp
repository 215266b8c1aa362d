#include "gui/mainwindow/SourceSteps.h"

#include <QTabWidget>

#include "gui/widgets/Controls.h"

namespace pellmark::gui {

namespace {

const QString kMessageTitle = QString::fromLatin1(kProgramMessageTitle);
// A message box lists this many failures and counts the rest.
constexpr std::size_t kFailuresListed = 20;

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

void reportUnopenedFile(MainWindowParts& parts, const std::string& path,
                        const std::string& reason) {
    parts.dialogs.messageBox.inform(
        &parts.MainWindow, kMessageTitle,
        QStringLiteral("The file could not be opened:\r\n%1\r\n%2")
            .arg(QString::fromStdString(path), QString::fromStdString(reason)));
}

void reportUnlistedStores(MainWindowParts& parts, const std::vector<std::string>& failures) {
    if (failures.empty()) return;
    QString text = failures.size() == 1
                       ? QStringLiteral(
                             "A data file of the profile could not be opened and is "
                             "not in the list:\r\n")
                       : QStringLiteral(
                             "%1 data files of the profile could not be opened and "
                             "are not in the list:\r\n")
                             .arg(failures.size());
    for (std::size_t i = 0; i < failures.size() && i < kFailuresListed; ++i) {
        text +=
            QStringLiteral("    ") + QString::fromStdString(failures[i]) + QStringLiteral("\r\n");
    }
    if (failures.size() > kFailuresListed) {
        text += QStringLiteral("    and %1 more\r\n").arg(failures.size() - kFailuresListed);
    }
    parts.dialogs.messageBox.inform(&parts.MainWindow, kMessageTitle, text);
}

}  // namespace pellmark::gui
