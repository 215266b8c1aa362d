#pragma once
// The windows' faces. They were laid out for Tahoma and Verdana, which Linux seldom has; each
// face names a free stand-in that keeps the texts inside their fixed places: DejaVu Sans
// Condensed for Tahoma (close in width), DejaVu Sans for Verdana (drawn from the same wide,
// open design).

#include <QFont>

namespace pellmark::gui {

QFont tahoma(double points, bool bold = false);
QFont verdana(double points, bool bold = false);

}  // namespace pellmark::gui
