#pragma once
// Message boxes as the windows use them: a title, a text, an icon and one set of buttons,
// answering which button was pressed. QtMessageBox shows real ones; tests script the answers.

#include <QString>

class QWidget;

namespace pellmark::gui {

// The title of the program's own message boxes.
inline constexpr const char* kProgramMessageTitle = "Corvane Quillon";

enum class MessageIcon { Information, Warning };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

class MessageBox {
  public:
    virtual ~MessageBox() = default;
    // Modal to `owner` (or to the program when it is null). With YesNo, Yes is the default.
    virtual MessageAnswer show(QWidget* owner, const QString& title, const QString& text,
                               MessageIcon icon, MessageButtons buttons) = 0;

    void inform(QWidget* owner, const QString& title, const QString& text) {
        show(owner, title, text, MessageIcon::Information, MessageButtons::Ok);
    }
};

}  // namespace pellmark::gui
