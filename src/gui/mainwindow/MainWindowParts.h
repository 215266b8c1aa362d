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
    std::unique_ptr<store::Session> CurrentSession;
    std::unique_ptr<store::Store> CurrentStore;
    std::unique_ptr<store::Folder> CurrentFolder;
    // A mailbox action is under way. Fills process events, so the user can press another button
    // meanwhile; such a press must not replace the objects the first action is walking.
    bool actionUnderWay = false;

    // The store goes before the session it was opened in.
    void release() {
        CurrentFolder.reset();
        CurrentStore.reset();
        CurrentSession.reset();
    }
};

struct MainWindowParts {
    QWidget& frmMain;
    QTabWidget& NotesTab;
    QComboBox& CmbOutlookStores;
    QPushButton& CmdStartConversion;
    QLineEdit& txtNotesDatabaseFile;
    FolderTree& OutlookFoldersTree;

    store::SessionFactory& sessions;
    gui::Dialogs dialogs;
    CurrentObjects& current;
    // The entry id of the store the tree shows; the conversion run finds the store by it.
    std::string& CurrentStoreID;
    // Lets the window system process pending events (repaint, input).
    std::function<void()> yield;
};

// Processes the pending events of the application.
void processPendingEvents();

}  // namespace pellmark::gui
