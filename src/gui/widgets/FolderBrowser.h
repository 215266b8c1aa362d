#pragma once
// The folder browser: shows `prompt` above a directory tree and returns the directory picked,
// or empty text when the user cancels or anything fails.

#include <QString>

class QWidget;

namespace pellmark::gui {

class FolderBrowser {
  public:
    virtual ~FolderBrowser() = default;
    virtual QString browse(QWidget* owner, const QString& prompt) = 0;
};

}  // namespace pellmark::gui
