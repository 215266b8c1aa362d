#include "gui/widgets/Artwork.h"

#include <QPainter>
#include <QSvgRenderer>

namespace pellmark::gui {

QPixmap svgPicture(const QString& resource, QSize size) {
    QPixmap picture(size);
    picture.fill(Qt::transparent);
    QSvgRenderer renderer(resource);
    if (!renderer.isValid()) return picture;
    QPainter painter(&picture);
    renderer.render(&painter);
    return picture;
}

QIcon svgIcon(const QString& resource, std::initializer_list<int> sides) {
    QIcon icon;
    for (int side : sides) icon.addPixmap(svgPicture(resource, QSize(side, side)));
    return icon;
}

}  // namespace pellmark::gui
