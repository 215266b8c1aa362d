#pragma once
// The three scripted dialogs together, as a window takes them.

#include "gui/widgets/Dialogs.h"
#include "support/gui/ScriptedFileDialog.h"
#include "support/gui/ScriptedFolderBrowser.h"
#include "support/gui/ScriptedMessageBox.h"

namespace pellmark::test {

struct ScriptedDialogs {
    ScriptedMessageBox messageBox;
    ScriptedFileDialog fileDialog;
    ScriptedFolderBrowser folderBrowser;

    gui::Dialogs dialogs() { return gui::Dialogs{messageBox, fileDialog, folderBrowser}; }
};

}  // namespace pellmark::test
