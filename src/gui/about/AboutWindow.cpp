#include "gui/about/AboutWindow.h"

#include <QLabel>

#include "gui/mainwindow/AppPictures.h"

namespace pellmark::gui {

AboutWindow::AboutWindow(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));
    setModal(true);
    setFixedSize(375, 209);
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("AboutPicture"));
    // The picture is two pixels wider than the window, as it was drawn; its right edge is plain
    // background.
    picture->setGeometry(0, 0, 377, 209);
    picture->setPixmap(aboutPicture());
}

}  // namespace pellmark::gui
