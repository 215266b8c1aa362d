#pragma once
// Page 1 of the main window, " Select File": where the mailbox comes from (a mailbox of the
// profile, or a .pst file picked with Browse...), a help text for the chosen source and the
// line of supported versions. The main window connects the controls to their handlers.

#include <QWidget>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace pellmark::gui {

class SelectFilePage : public QWidget {
  public:
    explicit SelectFilePage(QWidget* parent = nullptr);

    QRadioButton* configuredOption;
    QPushButton* exportConfiguredButton;
    QRadioButton* otherPstOption;
    QGroupBox* otherPstFrame;
    QLineEdit* pstPathBox;
    QPushButton* browseButton;
    QPushButton* exportOtherButton;
    QLabel* helpLabel;
};

// What helpLabel says for each source.
extern const char* const kConfiguredMailboxHelp;
extern const char* const kOtherPstHelp;

}  // namespace pellmark::gui
