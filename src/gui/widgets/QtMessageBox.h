#pragma once
// Message boxes shown with QMessageBox.

#include "gui/widgets/MessageBox.h"

namespace pellmark::gui {

class QtMessageBox : public MessageBox {
  public:
    MessageAnswer show(QWidget* owner, const QString& title, const QString& text, MessageIcon icon,
                       MessageButtons buttons) override;
};

}  // namespace pellmark::gui
