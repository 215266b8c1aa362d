// The desktop program: the main window over the mail store component. It reads no command line.

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "gui/mainwindow/MainWindow.h"
#include "gui/widgets/Dialogs.h"
#include "pststore/PstSession.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    pellmark::pststore::PstSessionFactory sessions;
    pellmark::gui::MainWindow window(sessions, pellmark::gui::Dialogs::qt());
    // A confirmed Exit ends the program at once: no window is asked again, nothing more runs.
    window.setProgramEnd([] {
        std::fflush(nullptr);
        std::_Exit(EXIT_SUCCESS);
    });
    window.show();
    return application.exec();
}
