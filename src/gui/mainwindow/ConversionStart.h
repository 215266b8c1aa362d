#pragma once
// "Start Conversion": the tags of the ticked folder nodes become the folders to export, the
// user picks the output directory, and the conversion window opens over the main window.

#include "gui/conversion/ConversionSelection.h"
#include "store/MailStore.h"
#include "gui/foldertree/FolderTree.h"
#include "gui/widgets/Dialogs.h"

class QWidget;

namespace pellmark::convert {

class ConversionStart {
  public:
    ConversionStart(tree::FolderTree& tree, ConversionSelection& selection,
                    store::SessionFactory& sessions, ui::Dialogs dialogs, QWidget* owner);

    // Returns once the conversion window has closed, or at once when no folder is ticked or no
    // directory was picked.
    void CmdStartConversion_Click();

  private:
    tree::FolderTree& tree_;
    ConversionSelection& selection_;
    store::SessionFactory& sessions_;
    ui::Dialogs dialogs_;
    QWidget* owner_;
};

}  // namespace pellmark::convert
