#include "gui/widgets/QtFolderBrowser.h"

#include <QFileDialog>

namespace pellmark::gui {

QString QtFolderBrowser::browse(QWidget* owner, const QString& prompt) {
    return QFileDialog::getExistingDirectory(owner, prompt, QString(), QFileDialog::ShowDirsOnly);
}

}  // namespace pellmark::gui
