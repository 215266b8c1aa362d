#pragma once
// The file-open dialog: owner window, initial file name and a filter in the "Label|*.ext" form
// (pairs of label and pattern joined by "|"); returns the chosen file, empty when cancelled.

#include <QString>

class QWidget;

namespace pellmark::gui {

class FileDialog {
  public:
    virtual ~FileDialog() = default;
    virtual QString openFile(QWidget* owner, const QString& fileName, const QString& filter) = 0;
};

}  // namespace pellmark::gui
