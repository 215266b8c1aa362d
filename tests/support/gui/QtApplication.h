#pragma once
// The one QApplication a window test needs, made on first use unless the program has one.
// Without a display named in QT_QPA_PLATFORM the windows draw offscreen, so the tests run
// anywhere.

class QApplication;

namespace pellmark::test {

QApplication& qtApplication();

}  // namespace pellmark::test
