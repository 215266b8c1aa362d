#pragma once
// The program's one working window. A header, the File and Help menus, two pages (" Select File"
// chooses the mailbox, " Mailbox Preview" shows its folders to tick and starts the conversion)
// and a status bar of fixed texts.
//
// The window holds what the program shares between its steps: the mail store objects of the
// action under way, and the conversion selection (the shown store's id, the ticked folders,
// the output directory), which the conversion window reads.
//
// Object names, for tests and assistive tools: the window is frmMain; notesTab is NotesTab,
// storeList CmbOutlookStores, folderTree OutlookFoldersTree, startButton CmdStartConversion,
// pstPathBox txtNotesDatabaseFile, configuredOption/otherPstOption OptConfiguredPST/
// OptOtherPST, menuBar MenuTop, statusBar TamrelXPStatusBar1.

#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>

#include "gui/conversion/ConversionSelection.h"
#include "gui/foldertree/MailboxFolderDisplay.h"
#include "gui/mainwindow/ConfiguredMailboxes.h"
#include "gui/mainwindow/ConversionStart.h"
#include "gui/mainwindow/MainWindowParts.h"
#include "gui/mainwindow/PstFiles.h"
#include "gui/widgets/Dialogs.h"
#include "store/MailStore.h"

class QMenuBar;
class QStatusBar;
class QTabWidget;

namespace pellmark::gui {

class MailboxPreviewPage;
class SelectFilePage;
class AboutWindow;
class HelpWindow;

class MainWindow : public QWidget {
  public:
    MainWindow(store::SessionFactory& sessions, Dialogs dialogs, QWidget* parent = nullptr);
    ~MainWindow() override;

    // What ends the program after File, Exit is confirmed: at once, with no further handler.
    void setProgramEnd(std::function<void()> end) { programEnd_ = std::move(end); }
    // The folder the help document is looked for in; the program's own folder unless set.
    void setProgramFolder(const QString& folder) { programFolder_ = folder; }

    void load();
    // Opens the window on a data file named when the program started: the other-file option
    // selected, the path in its text box and the file opened as "Export Mailbox" opens it.
    void openDataFile(const QString& path);
    void configuredMailboxesChosen();
    void otherPstFileChosen();
    void pstPathChanged();
    void exitProgram();
    void showHelp(int16_t index);
    void showAbout(int16_t index);

    const ConversionSelection& selection() const { return selection_; }
    // The help window, once Help, Contents has opened it; the About window once shown.
    HelpWindow* helpWindow() const { return help_.get(); }
    AboutWindow* aboutWindow() const { return about_.get(); }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void buildHeader();
    void buildMenus();
    void buildStatusBar();
    void connectHandlers();
    MainWindowParts makeParts();

    store::SessionFactory& sessions_;
    Dialogs dialogs_;
    QTabWidget* notesTab;
    SelectFilePage* page1_;
    MailboxPreviewPage* page2_;
    QMenuBar* menuBar = nullptr;
    QStatusBar* statusBar = nullptr;

    ConversionSelection selection_;
    CurrentObjects current_;
    MainWindowParts parts_;
    MailboxFolderDisplay display_;
    ConfiguredMailboxes configured_;
    PstFiles pstFiles_;
    ConversionStart start_;

    std::function<void()> programEnd_;
    QString programFolder_;
    std::unique_ptr<HelpWindow> help_;
    std::unique_ptr<AboutWindow> about_;
    bool centred_ = false;
};

}  // namespace pellmark::gui
