#include "support/gui/ScriptedFolderBrowser.h"

namespace pellmark::test {

QString ScriptedFolderBrowser::browse(QWidget*, const QString& prompt) {
    prompts_.append(prompt);
    return paths_.isEmpty() ? QString() : paths_.takeFirst();
}

}  // namespace pellmark::test
