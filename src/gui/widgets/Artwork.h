#pragma once
// Pictures kept as SVG files in the program's resources, rendered at the exact pixel size a
// control shows them at, so they stay sharp at 16 x 16 as at 256 x 256.

#include <initializer_list>

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace pellmark::gui {

// The SVG at `resource` (":/app/logo.svg") drawn into `size`; a transparent picture when the
// resource is missing or not an SVG.
QPixmap svgPicture(const QString& resource, QSize size);

// An icon with the SVG drawn at each of `sides` (square sizes in pixels).
QIcon svgIcon(const QString& resource, std::initializer_list<int> sides = {16, 32});

}  // namespace pellmark::gui
