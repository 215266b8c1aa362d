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
      notesTab(makeTabs(MainWindow)),
      storeList(new QComboBox(notesTab->widget(1))),
      startButton(new QPushButton(QStringLiteral("Start Conversion"), notesTab->widget(1))),
      pstPathBox(new QLineEdit(notesTab->widget(0))),
      folderTree(new gui::FolderTree(notesTab->widget(1))),
      parts{MainWindow,
            *notesTab,
            *storeList,
            *startButton,
            *pstPathBox,
            *folderTree,
            sessions,
            dialogs.dialogs(),
            current,
            storeId,
            [this] {
                ++yields;
                if (onYield) onYield();
            }} {
    storeList->setPlaceholderText(QStringLiteral("---- Select a Outlook Mailbox ----"));
    pstPathBox->setReadOnly(true);
}

std::string TestWindow::treeOutline() const {
    std::string outline;
    for (int index = 1; index <= folderTree->nodeCount(); ++index) {
        int depth = 0;
        for (auto* up = folderTree->node(index)->parent(); up; up = up->parent()) ++depth;
        outline += std::string(2 * static_cast<std::size_t>(depth), ' ') +
                   folderTree->node(index)->text(0).toStdString() + "\n";
    }
    return outline;
}

bool TestWindow::allTicked() const {
    for (int index = 1; index <= folderTree->nodeCount(); ++index) {
        if (folderTree->checkState(index) != 1) return false;
    }
    return true;
}

}  // namespace pellmark::test
