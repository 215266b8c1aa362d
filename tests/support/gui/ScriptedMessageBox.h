#pragma once
// A message box that shows nothing: it records every box asked for and answers with the next
// queued answer, or with the first button (OK, or Yes) when none is queued.

#include <deque>
#include <vector>

#include "gui/widgets/MessageBox.h"

namespace pellmark::test {

class ScriptedMessageBox : public gui::MessageBox {
  public:
    struct Shown {
        QString title;
        QString text;
        gui::MessageIcon icon;
        gui::MessageButtons buttons;
    };

    void queueAnswer(gui::MessageAnswer answer) { answers_.push_back(answer); }
    const std::vector<Shown>& shown() const { return shown_; }

    gui::MessageAnswer show(QWidget* owner, const QString& title, const QString& text,
                            gui::MessageIcon icon, gui::MessageButtons buttons) override;

  private:
    std::deque<gui::MessageAnswer> answers_;
    std::vector<Shown> shown_;
};

}  // namespace pellmark::test
