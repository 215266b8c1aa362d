#pragma once
// The dialogs a window may open, handed to it as one bundle so that tests can substitute
// scripted ones. Dialogs::qt() is the bundle of real Qt dialogs, made on first use.

#include "gui/widgets/FileDialog.h"
#include "gui/widgets/FolderBrowser.h"
#include "gui/widgets/MessageBox.h"

namespace pellmark::gui {

struct Dialogs {
    MessageBox& messageBox;
    FileDialog& fileDialog;
    FolderBrowser& folderBrowser;

    static Dialogs qt();
};

}  // namespace pellmark::gui
