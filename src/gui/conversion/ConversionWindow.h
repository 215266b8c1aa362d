#pragma once
// The conversion window: the user picks one of seven formats and starts the export, and the
// lower part shows its progress. Modal over the main window; a fresh window for every opening,
// so no format is ever preselected. The run works on a thread of its own while the window
// shows its progress; the window closes itself when the run has ended.
//
// Object names, for tests and assistive tools: the window is frmSave; the options are OptMSG ...
// OptMHT, each standing for its save code (the output formats' table says which the window
// offers), convertButton CmdConversion, headerLabel/processingLabel/foundLabel/currentLabel
// LblSaveHeader/LblProcessing/LblFound/LblCurrent, progressFrame ExportFrame.

#include <QDialog>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "export/ConversionRun.h"
#include "gui/conversion/ConversionSelection.h"
#include "gui/conversion/LabelProgress.h"
#include "gui/widgets/Dialogs.h"
#include "store/MailStore.h"
#include "store/SaveFormat.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace pellmark::gui {

class ConversionWindow : public QDialog {
    Q_OBJECT

  public:
    ConversionWindow(ConversionSelection& selection, store::SessionFactory& sessions,
                     Dialogs dialogs, QWidget* owner = nullptr);
    // Waits for a run still going on.
    ~ConversionWindow() override;

    // Opens a new window modally over `owner` and returns once it has closed.
    static void showModal(ConversionSelection& selection, store::SessionFactory& sessions,
                          Dialogs dialogs, QWidget* owner);

    bool running() const { return running_; }

  public slots:
    // An option was checked or unchecked, however that happened (mouse, keyboard, an
    // assistive tool's toggle action).
    void optionToggled(const QRadioButton& option);
    // Starts the run, unless one goes on or no format is chosen; returns at once.
    void convert();
    // Closing while a run goes on is refused: the run closes the window when it ends.
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildOptions();
    void buildProgress();
    void setOptionTabOrder();
    std::optional<store::SaveFormat> selectedFormat() const;
    void report(const std::string& title, const std::string& text, bool failure);
    // On the window's thread, once the run's thread has ended with `message`.
    void runEnded(const exporting::CompletionMessage& message);

    ConversionSelection& selection_;
    store::SessionFactory& sessions_;
    Dialogs dialogs_;
    bool running_ = false;

    QGroupBox* saveOptionsFrame = nullptr;
    // Each option with the save code it stands for, top to bottom.
    std::vector<std::pair<QRadioButton*, store::SaveFormat>> options_;
    QGroupBox* progressFrame = nullptr;
    QLabel* headerLabel = nullptr;
    QLabel* processingLabel = nullptr;
    QLabel* foundLabel = nullptr;
    QLabel* currentLabel = nullptr;
    QPushButton* convertButton = nullptr;

    std::unique_ptr<LabelProgress> progress_;
    std::unique_ptr<exporting::ConversionRun> run_;
    std::thread worker_;
};

}  // namespace pellmark::gui
