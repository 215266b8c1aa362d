#include "gui/widgets/Fonts.h"

#include <QStringList>

namespace pellmark::gui {

namespace {

QFont face(const QStringList& families, double points, bool bold) {
    QFont font;
    font.setFamilies(families);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

}  // namespace

QFont tahoma(double points, bool bold) {
    return face({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans Condensed")}, points, bold);
}

QFont verdana(double points, bool bold) {
    return face({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")}, points, bold);
}

}  // namespace pellmark::gui
