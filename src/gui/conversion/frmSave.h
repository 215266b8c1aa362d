#pragma once
// The conversion window: the user picks one of seven formats and starts the export, and the
// lower part shows its progress. Modal over the main window; a fresh window for every opening,
// so no format is ever preselected. It closes itself when the run has ended.

#include <QDialog>

#include "export/ExportFormat.h"
#include "gui/conversion/ConversionSelection.h"
#include "gui/widgets/Dialogs.h"
#include "store/MailStore.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace pellmark::gui {

class frmSave : public QDialog {
    Q_OBJECT

  public:
    frmSave(ConversionSelection& selection, store::SessionFactory& sessions, gui::Dialogs dialogs,
            QWidget* owner = nullptr);

    // Opens a new window modally over `owner` and returns once it has closed.
    static void showModal(ConversionSelection& selection, store::SessionFactory& sessions,
                          gui::Dialogs dialogs, QWidget* owner);

    bool running() const { return running_; }

  public slots:
    void OptMSG_Click();
    void OptEML_Click();
    void OptVCF_Click();
    void OptTXT_Click();
    void OptRTF_Click();
    void OptHTML_Click();
    void OptMHT_Click();
    void CmdConversion_Click();
    // Closing while a run goes on is refused: the run closes the window when it ends.
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildOptions();
    void buildProgress();
    void setOptionTabOrder();
    void optionClicked(const QRadioButton& option);
    exporting::ExportFormat selectedFormat() const;
    void report(const std::string& title, const std::string& text, bool failure);

    ConversionSelection& selection_;
    store::SessionFactory& sessions_;
    gui::Dialogs dialogs_;
    bool running_ = false;

    QGroupBox* SaveOptionsFrame = nullptr;
    QRadioButton* OptMSG = nullptr;
    QRadioButton* OptEML = nullptr;
    QRadioButton* OptVCF = nullptr;
    QRadioButton* OptTXT = nullptr;
    QRadioButton* OptRTF = nullptr;
    QRadioButton* OptHTML = nullptr;
    QRadioButton* OptMHT = nullptr;
    QGroupBox* ExportFrame = nullptr;
    QLabel* LblSaveHeader = nullptr;
    QLabel* LblProcessing = nullptr;
    QLabel* LblFound = nullptr;
    QLabel* LblCurrent = nullptr;
    QPushButton* CmdConversion = nullptr;
};

}  // namespace pellmark::gui
