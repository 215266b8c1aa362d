#pragma once
// The three scripted dialogs together, as a window takes them.

#include "support/gui/ScriptedFileDialog.h"
#include "support/gui/ScriptedFolderBrowser.h"
#include "support/gui/ScriptedMessageBox.h"
#include "gui/widgets/Dialogs.h"

namespace pellmark::test {

struct ScriptedDialogs {
    ScriptedMessageBox messageBox;
    ScriptedFileDialog fileDialog;
    ScriptedFolderBrowser folderBrowser;

    ui::Dialogs dialogs() { return ui::Dialogs{messageBox, fileDialog, folderBrowser}; }
};

}  // namespace pellmark::test
