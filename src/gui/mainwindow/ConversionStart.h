#pragma once
// "Start Conversion": the folders of the ticked nodes become the folders to export, the
// user picks the output directory, and the conversion window opens over the main window.

#include "gui/conversion/ConversionSelection.h"
#include "gui/foldertree/FolderTree.h"
#include "gui/widgets/Dialogs.h"
#include "store/MailStore.h"

class QWidget;

namespace pellmark::gui {

class ConversionStart {
  public:
    ConversionStart(FolderTree& tree, ConversionSelection& selection,
                    store::SessionFactory& sessions, Dialogs dialogs, QWidget* owner);

    // Returns once the conversion window has closed, or at once when no folder is ticked or no
    // directory was picked.
    void start();

  private:
    FolderTree& tree_;
    ConversionSelection& selection_;
    store::SessionFactory& sessions_;
    Dialogs dialogs_;
    QWidget* owner_;
};

}  // namespace pellmark::gui
