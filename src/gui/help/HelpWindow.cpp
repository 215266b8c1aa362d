#include "gui/help/HelpWindow.h"

#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "gui/mainwindow/AppPictures.h"
#include "gui/mainwindow/Product.h"

namespace pellmark::gui {

HelpWindow::HelpWindow() : QWidget(nullptr, Qt::Window), browser_(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("%1 Help").arg(QLatin1String(kProduct)));
    setWindowIcon(productIcon());
    browser_->setObjectName(QStringLiteral("HelpBrowser"));
    browser_->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    resize(760, 620);
}

void HelpWindow::showDocument(const QString& path) {
    browser_->setSource(QUrl::fromLocalFile(path));
    browser_->home();
    show();
    raise();
    activateWindow();
}

}  // namespace pellmark::gui
