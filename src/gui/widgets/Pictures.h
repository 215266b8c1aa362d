#pragma once
// Small pictures the windows show, drawn at run time so that no image files need installing.

#include <QIcon>
#include <QPixmap>

namespace pellmark::gui {

// A right-pointing arrow, 10 x 16 pixels, marking the line being worked on.
QPixmap readingArrow();
// The conversion window's icon: a sheet of paper with an arrow leaving it.
QIcon conversionIcon();

}  // namespace pellmark::gui
