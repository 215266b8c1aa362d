#pragma once
// A bare main window for the tests of the folder tree, the two mailbox sources and the
// conversion start: the controls they work on, in a window of their own, with scripted dialogs,
// the shared fields, and a count of the yields to the window system.

#include <QWidget>
#include <functional>
#include <string>

#include "gui/mainwindow/MainWindowParts.h"
#include "support/gui/ScriptedDialogs.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace pellmark::test {

class TestWindow {
  public:
    explicit TestWindow(store::SessionFactory& sessions);

  private:
    bool applicationMade_;  // before any widget

  public:
    QWidget MainWindow;
    QTabWidget* notesTab;
    QComboBox* storeList;
    QPushButton* startButton;
    QLineEdit* pstPathBox;
    gui::FolderTree* folderTree;

    ScriptedDialogs dialogs;
    gui::CurrentObjects current;
    std::string storeId;
    int yields = 0;
    // Runs at every yield, after it is counted.
    std::function<void()> onYield;
    gui::MainWindowParts parts;

    // Node texts in node order, one per line, indented two blanks per level below the root.
    std::string treeOutline() const;
    // Whether every node is ticked.
    bool allTicked() const;
};

}  // namespace pellmark::test
