#pragma once
// Window layouts are given in twips, 1/1440 inch: 15 twips to a pixel at 96 dots per inch.

#include <QRect>

namespace pellmark::gui {

constexpr int twips(int value) {
    return (value + 7) / 15;
}

constexpr QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

}  // namespace pellmark::gui
