#pragma once
// Choosing a mailbox of the profile: "Export Mailbox" lists the profile's stores in the store
// list on page 2, and picking an entry there shows that mailbox in the folder tree.

#include <QString>
#include <string>
#include <vector>

#include "gui/foldertree/MailboxFolderDisplay.h"
#include "gui/mainwindow/MainWindowParts.h"

namespace pellmark::gui {

class ConfiguredMailboxes {
  public:
    ConfiguredMailboxes(MainWindowParts& parts, MailboxFolderDisplay& display);

    // Lists every store of the profile whose second text is not blank, replacing the previous
    // list, and turns to page 2; then names the stores that could not be opened, if any.
    void listConfiguredMailboxes();
    // Shows the picked mailbox in the tree. Start Conversion and the list stay disabled while
    // the tree fills.
    void showPickedMailbox();

  private:
    // Appends the entries; a store that fails is named in `unlisted`, with the failure.
    void listStores(std::vector<std::string>& unlisted);

    MainWindowParts& parts_;
    MailboxFolderDisplay& display_;
};

}  // namespace pellmark::gui
