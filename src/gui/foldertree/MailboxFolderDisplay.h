#pragma once
// The two ways the folder tree is filled with one mailbox: showMailboxFolders for a mailbox of
// the profile picked in the store list, which opens a session of its own, and showPstFolders for
// a .pst file its caller has already opened. Both clear the tree, add the store's root node and
// walk the folders below, then tick every node. A failure before the tree is cleared leaves the
// previous tree as it was; a failure of the store's top afterwards leaves the nodes added so
// far, unticked, and comes out as FillError. Folders below it that cannot be read are passed
// over: the tree shows, and ticks, every other, and FillError names the first unread one.

#include <stdexcept>

#include "gui/mainwindow/MainWindowParts.h"

namespace pellmark::gui {

// A fill failed after it had cleared the tree, or could not read every folder: what the tree
// shows is incomplete.
class FillError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class MailboxFolderDisplay {
  public:
    explicit MailboxFolderDisplay(MainWindowParts& parts);

    // Shows the mailbox whose entry the store list shows (display name, blanks, "#", entry id).
    // Sets storeId once the store is found; logs its session off before the ticking.
    void showMailboxFolders();
    // Shows the store in mailbox, whose session is logged on; the caller has set
    // storeId. Leaves startButton disabled.
    void showPstFolders();

  private:
    void fill(store::Store& store);
    void ticking();

    MainWindowParts& parts_;
};

}  // namespace pellmark::gui
