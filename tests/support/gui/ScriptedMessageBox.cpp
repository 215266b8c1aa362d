#include "support/gui/ScriptedMessageBox.h"

namespace pellmark::test {

ui::MessageAnswer ScriptedMessageBox::show(QWidget*, const QString& title, const QString& text,
                                           ui::MessageIcon icon, ui::MessageButtons buttons) {
    shown_.push_back({title, text, icon, buttons});
    if (answers_.empty()) {
        return buttons == ui::MessageButtons::YesNo ? ui::MessageAnswer::Yes
                                                    : ui::MessageAnswer::Ok;
    }
    const ui::MessageAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

}  // namespace pellmark::test
