#pragma once
// The main window's and the About window's pictures, drawn from the SVG artwork in the
// program's resources.

#include <QIcon>
#include <QPixmap>

namespace pellmark::gui {

QIcon productIcon();        // 16 x 16 and 32 x 32
QPixmap productLogo();      // 75 x 67
QPixmap headerRule();       // 696 x 2
QIcon previewTabPicture();  // 16 x 16
QIcon exportButtonIcon();
QIcon browseButtonIcon();
QPixmap supportsPicture();  // 16 x 16
QIcon helpMenuPicture();
QIcon aboutMenuPicture();
// The whole About window: tagline, logo, maker, product, version line, web and e-mail
// addresses, 377 x 209.
QPixmap aboutPicture();

}  // namespace pellmark::gui
