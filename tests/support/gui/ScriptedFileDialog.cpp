#include "support/gui/ScriptedFileDialog.h"

namespace pellmark::test {

QString ScriptedFileDialog::openFile(QWidget*, const QString&, const QString& filter) {
    filters_.append(filter);
    return paths_.isEmpty() ? QString() : paths_.takeFirst();
}

}  // namespace pellmark::test
