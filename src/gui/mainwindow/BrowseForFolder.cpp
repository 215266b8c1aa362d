#include "gui/mainwindow/BrowseForFolder.h"

#include <exception>

namespace pellmark::gui {

QString browseForFolder(FolderBrowser& browser, QWidget* owner, const QString& prompt) {
    try {
        QString path = browser.browse(owner, prompt);
        // Cut at a NUL, as a path handed over in a fixed buffer would be.
        const qsizetype nul = path.indexOf(QChar(u'\0'));
        if (nul >= 0) path.truncate(nul);
        return path;
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace pellmark::gui
