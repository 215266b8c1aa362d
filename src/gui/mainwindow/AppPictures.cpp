#include "gui/mainwindow/AppPictures.h"

#include <QPainter>

#include "gui/mainwindow/Product.h"
#include "gui/widgets/Artwork.h"
#include "gui/widgets/Fonts.h"

// The artwork is compiled into this static library; its registration must be pulled in by name.
static void registerArtwork() {
    Q_INIT_RESOURCE(app_artwork);
}

namespace pellmark::gui {

namespace {

QString art(const char* name) {
    static const bool registered = (registerArtwork(), true);
    (void)registered;
    return QStringLiteral(":/app/artwork/%1.svg").arg(QLatin1String(name));
}

const QColor kNavy(0, 0, 128);

}  // namespace

QIcon productIcon() {
    return svgIcon(art("pellmark"), {16, 32});
}
QPixmap productLogo() {
    return svgPicture(art("logo"), QSize(75, 67));
}
QPixmap headerRule() {
    return svgPicture(art("rule"), QSize(696, 2));
}
QIcon previewTabPicture() {
    return svgIcon(art("preview"), {16});
}
QIcon exportButtonIcon() {
    return svgIcon(art("export"), {16});
}
QIcon browseButtonIcon() {
    return svgIcon(art("browse"), {16});
}
QPixmap supportsPicture() {
    return svgPicture(art("supports"), QSize(16, 16));
}
QIcon helpMenuPicture() {
    return svgIcon(art("help"), {16});
}
QIcon aboutMenuPicture() {
    return svgIcon(art("about"), {16});
}

QPixmap aboutPicture() {
    QPixmap picture = svgPicture(art("about-background"), QSize(377, 209));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(Qt::white);
    painter.setFont(tahoma(9, true));
    painter.drawText(QRect(12, 0, 353, 30), Qt::AlignVCenter | Qt::AlignLeft,
                     QStringLiteral("Outlook mailboxes out to files you can keep"));
    painter.drawPixmap(18, 52, productLogo());
    painter.setPen(QColor(64, 64, 64));
    painter.setFont(verdana(10, true));
    painter.drawText(QPoint(110, 64), QLatin1String(kMaker));
    painter.setPen(kNavy);
    painter.setFont(verdana(22, true));
    painter.drawText(QPoint(106, 98), QLatin1String(kProduct));
    painter.setPen(QColor(64, 64, 64));
    painter.setFont(tahoma(9));
    painter.drawText(QPoint(110, 120), QStringLiteral("Version %1   Build %2")
                                           .arg(QLatin1String(kVersion), QLatin1String(kBuild)));
    painter.setFont(tahoma(9, true));
    painter.setPen(QColor(0, 64, 192));
    painter.drawText(QPoint(18, 160), QLatin1String(kWebAddress));
    painter.setPen(QColor(64, 64, 64));
    painter.drawText(QPoint(18, 180),
                     QStringLiteral("Support: %1").arg(QLatin1String(kSupportEmail)));
    return picture;
}

}  // namespace pellmark::gui
