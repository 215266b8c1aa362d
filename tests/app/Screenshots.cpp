// Takes the screenshots in docs/screenshots: the main window on both pages, the conversion
// window in the middle of a run, the About window and the help window. Run by
// scripts/screenshots.sh under a virtual X display, so the windows are drawn by the same platform
// code as on a desktop.
//
//   pellmark-screenshots OUTPUT_DIR MAILBOX.pst

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <cstdio>
#include <filesystem>

#include "gui/about/AboutWindow.h"
#include "gui/conversion/ConversionWindow.h"
#include "gui/help/HelpWindow.h"
#include "gui/mainwindow/MainWindow.h"
#include "pststore/PstSession.h"
#include "support/TestFiles.h"
#include "support/gui/ScriptedDialogs.h"

namespace {

using namespace pellmark;

bool save(QWidget& window, const QString& file) {
    QApplication::processEvents();
    const bool saved = window.grab().save(file);
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(file));
    return saved;
}

template <class W = QWidget>
W* control(QWidget& window, const char* name) {
    return window.findChild<W*>(QLatin1String(name));
}

// Grabs the conversion window once its counter shows an item in the middle of a folder.
void grabConversionMidRun(const QString& file, bool& done) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, file, &done] {
        auto* window = qobject_cast<gui::ConversionWindow*>(QApplication::activeModalWidget());
        if (!window || done) return;
        const QString counter = control<QLabel>(*window, "LblCurrent")->text();
        const qsizetype slash = counter.indexOf(QLatin1Char('/'));
        if (slash < 0) return;
        const int current = counter.left(slash).toInt();
        if (current >= 3 && current < counter.mid(slash + 1).toInt()) {
            done = save(*window, file);
            poll->deleteLater();
        }
    });
    poll->start(0);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: pellmark-screenshots OUTPUT_DIR MAILBOX.pst\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    test::TempDir scratch;
    pststore::PstSessionFactory sessions(scratch / "no-profile");
    test::ScriptedDialogs dialogs;
    gui::MainWindow window(sessions, dialogs.dialogs());
    window.show();
    bool ok = save(window, out + "/main-select-file.png");

    control<QRadioButton>(window, "OptOtherPST")->click();
    dialogs.fileDialog.queuePath(QString::fromLocal8Bit(argv[2]));
    control<QPushButton>(window, "CmdBrowse")->click();
    control<QPushButton>(window, "CmdExportOther")->click();
    ok &= save(window, out + "/main-mailbox-preview.png");

    QTimer::singleShot(0, [&] {
        gui::AboutWindow* about = window.aboutWindow();
        ok &= about && save(*about, out + "/about.png");
        if (about) about->close();
    });
    window.showAbout(1);

    window.setProgramFolder(QStringLiteral(PELLMARK_SOURCE_DIR "/docs"));
    window.showHelp(0);
    if (gui::HelpWindow* help = window.helpWindow()) {
        ok &= save(*help, out + "/help.png");
        help->close();
    }

    const std::filesystem::path target = scratch / "export";
    std::filesystem::create_directories(target);
    dialogs.folderBrowser.queuePath(QString::fromStdString(target.string()));
    bool midRun = false;
    grabConversionMidRun(out + "/conversion-running.png", midRun);
    QTimer::singleShot(0, [&] {
        auto* conversion = qobject_cast<gui::ConversionWindow*>(QApplication::activeModalWidget());
        if (!conversion) return;
        control<QRadioButton>(*conversion, "OptHTML")->click();
        control<QPushButton>(*conversion, "CmdConversion")->click();
    });
    control<QPushButton>(window, "CmdStartConversion")->click();
    if (!midRun) std::printf("FAILED no folder of the mailbox had enough items to catch a run\n");
    return ok && midRun ? 0 : 1;
}
