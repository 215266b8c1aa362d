#pragma once
// The folder browser as the conversion start calls it: the directory the user picked, or empty
// text when the user cancelled or anything failed. It never reports an error itself.

#include <QString>

#include "gui/widgets/FolderBrowser.h"

class QWidget;

namespace pellmark::gui {

QString browseForFolder(FolderBrowser& browser, QWidget* owner, const QString& prompt);

}  // namespace pellmark::gui
