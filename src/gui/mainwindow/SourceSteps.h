#pragma once
// What the two mailbox-source handlers share: once logged on they skip a failing step and go on
// with the next, and they report the same failures with the same boxes.

#include <exception>
#include <string>
#include <vector>

#include "gui/mainwindow/MainWindowParts.h"

namespace pellmark::gui {

// Runs one step; when it fails, the failure ends the step only. True when it ran through.
template <class Step>
bool skipFailing(Step&& step) {
    try {
        step();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// The same, handing the failure to `noted` so that the user can be told of it afterwards.
template <class Step, class Noted>
bool skipFailing(Step&& step, Noted&& noted) {
    try {
        step();
        return true;
    } catch (const std::exception& error) {
        noted(error);
        return false;
    }
}

// Holds the main window's mailbox objects for one handler. A handler started while another is
// under way (through the events a fill processes) finds them taken and must do nothing.
class UserAction {
  public:
    explicit UserAction(CurrentObjects& current)
        : current_(current), taken_(!current.actionUnderWay) {
        current_.actionUnderWay = true;
    }
    ~UserAction() {
        if (taken_) current_.actionUnderWay = false;
    }
    UserAction(const UserAction&) = delete;
    UserAction& operator=(const UserAction&) = delete;
    bool taken() const { return taken_; }

  private:
    CurrentObjects& current_;
    bool taken_;
};

// Creates the action's session (current.session) and logs it on. When either fails, shows the
// logon failure message and returns false; a session already created stays there.
bool logOn(MainWindowParts& parts);
// Logs the action's session off and releases its objects; a failing logoff loses nothing.
void logOffAndRelease(MainWindowParts& parts);
// Enables page 2 of the tab control and makes it the current page.
void showPreviewPage(MainWindowParts& parts);

// Tells the user the mailbox could not be shown (the tree is left as it was), or that the tree
// is incomplete because reading the folders failed part way.
void reportShowFailure(MainWindowParts& parts, const std::string& reason);
void reportIncompleteTree(MainWindowParts& parts, const std::string& reason);
// Tells the user the chosen data file could not be opened, naming it and the reason.
void reportUnopenedFile(MainWindowParts& parts, const std::string& path, const std::string& reason);
// Tells the user which data files of the profile could not be opened, a failure each, and
// so are not in the list; nothing when there are none.
void reportUnlistedStores(MainWindowParts& parts, const std::vector<std::string>& failures);

}  // namespace pellmark::gui
