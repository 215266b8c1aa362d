#pragma once
// The help viewer: a window of its own beside the main window, which stays usable meanwhile.

#include <QWidget>

class QTextBrowser;

namespace pellmark::gui {

class HelpWindow : public QWidget {
  public:
    HelpWindow();

    // Shows the HTML document at `path` from its start and brings the window to the front.
    void showDocument(const QString& path);

    QTextBrowser* browser() const { return browser_; }

  private:
    QTextBrowser* browser_;
};

}  // namespace pellmark::gui
