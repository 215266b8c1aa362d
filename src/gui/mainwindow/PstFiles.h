#pragma once
// Choosing a mailbox from any data file: "Browse..." puts a file's path into the text box and
// "Export Mailbox" opens that file as a store and shows it in the folder tree on page 2.

#include "gui/foldertree/MailboxFolderDisplay.h"
#include "gui/mainwindow/MainWindowParts.h"

namespace pellmark::gui {

class PstFiles {
  public:
    PstFiles(MainWindowParts& parts, MailboxFolderDisplay& display);

    // Asks for a .pst file and writes the answer (empty when cancelled) into the text box; page
    // 2 is disabled until the file is opened.
    void browse();
    // Opens the file named in the text box and shows it. A file that cannot be opened as a
    // store changes nothing but the pages, leaves Start Conversion disabled and gets a message
    // naming the file and the reason.
    void openPstFile();

  private:
    void showOpenedStore(std::string& fillFailure);

    MainWindowParts& parts_;
    MailboxFolderDisplay& display_;
};

}  // namespace pellmark::gui
