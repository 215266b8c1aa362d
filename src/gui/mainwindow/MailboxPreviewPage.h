#pragma once
// Page 2 of the main window, " Mailbox Preview": the store list of the profile's mailboxes,
// the folder tree of the mailbox shown, and the button that starts the conversion.

#include <QWidget>

class QComboBox;
class QPushButton;

namespace pellmark::gui {
class FolderTree;
}

namespace pellmark::gui {

class MailboxPreviewPage : public QWidget {
  public:
    explicit MailboxPreviewPage(QWidget* parent = nullptr);

    QComboBox* storeList;
    FolderTree* folderTree;
    QPushButton* startButton;
};

}  // namespace pellmark::gui
