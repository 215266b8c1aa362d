#pragma once
// The folder browser shown with QFileDialog, directories only.

#include "gui/widgets/FolderBrowser.h"

namespace pellmark::gui {

class QtFolderBrowser : public FolderBrowser {
  public:
    QString browse(QWidget* owner, const QString& prompt) override;
};

}  // namespace pellmark::gui
