#include "gui/widgets/Dialogs.h"

#include "gui/widgets/QtFileDialog.h"
#include "gui/widgets/QtFolderBrowser.h"
#include "gui/widgets/QtMessageBox.h"

namespace pellmark::gui {

Dialogs Dialogs::qt() {
    static QtMessageBox messageBox;
    static QtFileDialog fileDialog;
    static QtFolderBrowser folderBrowser;
    return Dialogs{messageBox, fileDialog, folderBrowser};
}

}  // namespace pellmark::gui
