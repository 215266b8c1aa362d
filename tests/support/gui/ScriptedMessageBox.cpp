#include "support/gui/ScriptedMessageBox.h"

namespace pellmark::test {

gui::MessageAnswer ScriptedMessageBox::show(QWidget*, const QString& title, const QString& text,
                                            gui::MessageIcon icon, gui::MessageButtons buttons) {
    shown_.push_back({title, text, icon, buttons});
    if (answers_.empty()) {
        return buttons == gui::MessageButtons::YesNo ? gui::MessageAnswer::Yes
                                                     : gui::MessageAnswer::Ok;
    }
    const gui::MessageAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

}  // namespace pellmark::test
