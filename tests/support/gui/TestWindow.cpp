#include "support/gui/TestWindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include "support/gui/QtApplication.h"

namespace pellmark::test {

namespace {

QTabWidget* makeTabs(QWidget& window) {
    auto* tabs = new QTabWidget(&window);
    tabs->addTab(new QWidget, QStringLiteral(" Select File"));
    tabs->addTab(new QWidget, QStringLiteral(" Mailbox Preview"));
    tabs->setTabEnabled(1, false);
    return tabs;
}

}  // namespace

TestWindow::TestWindow(store::SessionFactory& sessions)
    : applicationMade_((qtApplication(), true)),
      NotesTab(makeTabs(frmMain)),
      CmbOutlookStores(new QComboBox(NotesTab->widget(1))),
      CmdStartConversion(new QPushButton(QStringLiteral("Start Conversion"), NotesTab->widget(1))),
      txtNotesDatabaseFile(new QLineEdit(NotesTab->widget(0))),
      OutlookFoldersTree(new gui::FolderTree(NotesTab->widget(1))),
      parts{frmMain,
            *NotesTab,
            *CmbOutlookStores,
            *CmdStartConversion,
            *txtNotesDatabaseFile,
            *OutlookFoldersTree,
            sessions,
            dialogs.dialogs(),
            current,
            CurrentStoreID,
            [this] {
                ++yields;
                if (onYield) onYield();
            }} {
    CmbOutlookStores->setPlaceholderText(QStringLiteral("---- Select a Outlook Mailbox ----"));
    txtNotesDatabaseFile->setReadOnly(true);
}

std::string TestWindow::treeOutline() const {
    std::string outline;
    for (int index = 1; index <= OutlookFoldersTree->nodeCount(); ++index) {
        int depth = 0;
        for (auto* up = OutlookFoldersTree->node(index)->parent(); up; up = up->parent()) ++depth;
        outline += std::string(2 * static_cast<std::size_t>(depth), ' ') +
                   OutlookFoldersTree->node(index)->text(0).toStdString() + "\n";
    }
    return outline;
}

bool TestWindow::allTicked() const {
    for (int index = 1; index <= OutlookFoldersTree->nodeCount(); ++index) {
        if (OutlookFoldersTree->checkState(index) != 1) return false;
    }
    return true;
}

}  // namespace pellmark::test
