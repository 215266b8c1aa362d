#include "gui/widgets/QtFolderBrowser.h"

#include <QFileDialog>

namespace pellmark::ui {

QString QtFolderBrowser::browse(QWidget* owner, const QString& prompt) {
    return QFileDialog::getExistingDirectory(owner, prompt, QString(), QFileDialog::ShowDirsOnly);
}

}  // namespace pellmark::ui
