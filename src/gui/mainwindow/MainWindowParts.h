#pragma once
// The parts of the main window that the fills, the two mailbox sources and the conversion start
// work on: its controls, the mail store objects of the user action under way and the id of the
// store the tree shows. The main window owns them all; tests build them without it.

#include <functional>
#include <memory>
#include <string>

#include "gui/foldertree/FolderTree.h"
#include "gui/widgets/Dialogs.h"
#include "store/MailStore.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QWidget;

namespace pellmark::gui {

// The session, store and top-level folder of the user action under way; empty between actions.
struct CurrentObjects {
    std::unique_ptr<store::Session> session;
    std::unique_ptr<store::Store> mailbox;
    std::unique_ptr<store::Folder> folder;
    // A mailbox action is under way. Fills process events, so the user can press another button
    // meanwhile; such a press must not replace the objects the first action is walking.
    bool actionUnderWay = false;

    // The store goes before the session it was opened in.
    void release() {
        folder.reset();
        mailbox.reset();
        session.reset();
    }
};

struct MainWindowParts {
    QWidget& MainWindow;
    QTabWidget& notesTab;
    QComboBox& storeList;
    QPushButton& startButton;
    QLineEdit& pstPathBox;
    FolderTree& folderTree;

    store::SessionFactory& sessions;
    Dialogs dialogs;
    CurrentObjects& current;
    // The entry id of the store the tree shows; the conversion run finds the store by it.
    std::string& storeId;
    // Lets the window system process pending events (repaint, input).
    std::function<void()> yield;
};

// Processes the pending events of the application.
void processPendingEvents();

}  // namespace pellmark::gui
