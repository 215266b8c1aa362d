#include "gui/mainwindow/SourceSteps.h"

#include <QTabWidget>

#include "gui/widgets/Controls.h"

namespace pellmark::gui {

namespace {

const QString kMessageTitle = QString::fromLatin1(gui::kProgramMessageTitle);

}  // namespace

std::string trimSpaces(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool logOn(gui::MainWindowParts& parts) {
    try {
        parts.current.CurrentSession = parts.sessions.create();
        parts.current.CurrentSession->logon();
        return true;
    } catch (const std::exception&) {
        parts.dialogs.messageBox.inform(
            &parts.frmMain, kMessageTitle,
            QStringLiteral("Outlook NOT installed or configured properly."));
        return false;
    }
}

void logOffAndRelease(gui::MainWindowParts& parts) {
    if (parts.current.CurrentSession) skipFailing([&] { parts.current.CurrentSession->logoff(); });
    parts.current.release();
}

void showPreviewPage(gui::MainWindowParts& parts) {
    gui::setTabPageEnabled(parts.NotesTab, 2, true);
    gui::setCurrentTabPage(parts.NotesTab, 2);
}

void reportShowFailure(gui::MainWindowParts& parts, const std::string& reason) {
    parts.dialogs.messageBox.inform(
        &parts.frmMain, kMessageTitle,
        QStringLiteral("The mailbox could not be shown: %1").arg(QString::fromStdString(reason)));
}

void reportIncompleteTree(gui::MainWindowParts& parts, const std::string& reason) {
    parts.dialogs.messageBox.inform(
        &parts.frmMain, kMessageTitle,
        QStringLiteral("Not all folders of the mailbox could be read; the tree shows every "
                       "folder that could be, and the export names the others.\r\n%1")
            .arg(QString::fromStdString(reason)));
}

}  // namespace pellmark::gui
