#include "support/gui/QtApplication.h"

#include <QApplication>

namespace pellmark::test {

QApplication& qtApplication() {
    // A program that made its own (a benchmark, the screenshot tool) keeps it.
    if (auto* made = qobject_cast<QApplication*>(QCoreApplication::instance())) return *made;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "pellmark-test";
    static char* argv[] = {name, nullptr};
    static QApplication application(argc, argv);
    return application;
}

}  // namespace pellmark::test
