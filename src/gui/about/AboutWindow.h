#pragma once
// The About window: one picture naming the maker, the product, its version and where to find
// help. It has no button; the title bar's close button closes it.

#include <QDialog>

namespace pellmark::gui {

class AboutWindow : public QDialog {
  public:
    explicit AboutWindow(QWidget* owner);
};

}  // namespace pellmark::gui
