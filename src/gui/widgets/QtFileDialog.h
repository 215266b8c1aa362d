#pragma once
// The file-open dialog shown with QFileDialog.

#include "gui/widgets/FileDialog.h"

namespace pellmark::gui {

class QtFileDialog : public FileDialog {
  public:
    QString openFile(QWidget* owner, const QString& fileName, const QString& filter) override;

    // "Outlook Mailbox (*.pst)|*.pst" becomes "Outlook Mailbox (*.pst)", the form Qt reads.
    static QString qtFilter(const QString& filter);
};

}  // namespace pellmark::gui
