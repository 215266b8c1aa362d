#include "gui/widgets/Pictures.h"

#include <QPainter>
#include <QPolygon>

namespace pellmark::gui {

QPixmap readingArrow() {
    QPixmap pixmap(10, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 102, 204));
    painter.drawPolygon(QPolygon({QPoint(1, 2), QPoint(9, 8), QPoint(1, 14)}));
    return pixmap;
}

QIcon conversionIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(80, 80, 80), 1.5));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(4, 3, 18, 24));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 102, 204));
    painter.drawPolygon(QPolygon({QPoint(14, 12), QPoint(22, 12), QPoint(22, 7), QPoint(30, 17),
                                  QPoint(22, 27), QPoint(22, 22), QPoint(14, 22)}));
    return QIcon(pixmap);
}

}  // namespace pellmark::gui
