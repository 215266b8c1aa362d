#include "ui/Dialogs.h"

#include "ui/QtFileDialog.h"
#include "ui/QtFolderBrowser.h"
#include "ui/QtMessageBox.h"

namespace pellmark::ui {

Dialogs Dialogs::qt() {
    static QtMessageBox messageBox;
    static QtFileDialog fileDialog;
    static QtFolderBrowser folderBrowser;
    return Dialogs{messageBox, fileDialog, folderBrowser};
}

}  // namespace pellmark::ui
