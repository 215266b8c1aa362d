// The desktop program: the main window over the mail store component. Its command line names
// at most a data file to open the window on; --help and --version answer without a display.

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "app/ProgramArguments.h"
#include "app/WindowSystem.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/widgets/Dialogs.h"
#include "pststore/Profile.h"
#include "pststore/PstSession.h"

namespace {

// Answers what needs no window; the exit status, or -1 to go on and open the window.
int answerWithoutWindow(const pellmark::app::ProgramArguments& command) {
    using Action = pellmark::app::ProgramArguments::Action;
    switch (command.action) {
        case Action::Help:
            std::cout << pellmark::app::usageText(pellmark::pststore::profilePath());
            return EXIT_SUCCESS;
        case Action::Version:
            std::cout << "pellmark " << PELLMARK_VERSION << '\n';
            return EXIT_SUCCESS;
        case Action::Misuse:
            std::cerr << "pellmark: " << command.problem
                      << "\nTry 'pellmark --help' for more information.\n";
            return 2;
        case Action::OpenWindow:
            break;
    }
    const std::string missing =
        pellmark::app::missingDisplay(pellmark::app::DisplayEnvironment::current());
    if (!missing.empty()) {
        std::cerr << "pellmark: " << missing << '\n';
        return EXIT_FAILURE;
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    const pellmark::app::ProgramArguments command =
        pellmark::app::readProgramArguments({argv + 1, argv + argc});
    if (const int status = answerWithoutWindow(command); status >= 0) return status;

    // Qt sees the program's name only: a data file's name is never taken for one of its options.
    int qtArgc = 1;
    const std::unique_ptr<QApplication> application =
        pellmark::app::startWindowSystem(qtArgc, argv);
    // A data file opened in the window becomes one of the configured mailboxes.
    pellmark::pststore::PstSessionFactory sessions({}, pellmark::pststore::AddedFiles::Kept);
    pellmark::gui::MainWindow window(sessions, pellmark::gui::Dialogs::qt());
    // A confirmed Exit ends the program at once: no window is asked again, nothing more runs.
    window.setProgramEnd([] {
        std::fflush(nullptr);
        std::_Exit(EXIT_SUCCESS);
    });
    window.show();
    if (!command.file.empty()) {
        // Once the window is up, so that it shows while the folders are read.
        const QString file = QFile::decodeName(QByteArray::fromStdString(command.file));
        QTimer::singleShot(0, &window, [&window, file] { window.openDataFile(file); });
    }
    return application->exec();
}
