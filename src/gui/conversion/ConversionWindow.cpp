#include "gui/conversion/ConversionWindow.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMetaObject>
#include <QPushButton>
#include <QRadioButton>

#include "export/ConversionRun.h"
#include "formats/OutputFormats.h"
#include "gui/widgets/Controls.h"
#include "gui/widgets/Fonts.h"
#include "gui/widgets/Pictures.h"
#include "gui/widgets/Twips.h"

namespace pellmark::gui {

namespace {

const QColor kSeparatorGrey(224, 224, 224);

// The option rows, top to bottom.
constexpr int kRowTops[] = {360, 840, 1320, 1800, 2280, 2760, 3240};

// The run's message, which tells what failed, and what the run passed over on purpose: the
// distribution lists of contact folders, for which the seven formats have no file.
exporting::CompletionMessage completionOf(const exporting::RunSummary& summary) {
    exporting::CompletionMessage message = exporting::completionMessage(summary);
    if (summary.itemsSkipped > 0) {
        if (!message.failure) message.text += "\r\n";
        message.text +=
            "\r\n" + std::to_string(summary.itemsSkipped) +
            (summary.itemsSkipped == 1 ? " distribution list was" : " distribution lists were") +
            " not exported: distribution lists are not saved as files.\r\n";
    }
    return message;
}

}  // namespace

ConversionWindow::ConversionWindow(ConversionSelection& selection, store::SessionFactory& sessions,
                                   Dialogs dialogs, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      selection_(selection),
      sessions_(sessions),
      dialogs_(dialogs) {
    setObjectName(QStringLiteral("frmSave"));
    setWindowTitle(QStringLiteral("Convert Outlook Mailbox"));
    setWindowIcon(conversionIcon());
    setModal(true);
    setFont(tahoma(8.25));
    setFixedSize(twips(7350), twips(6795));

    makeLabel(this, QStringLiteral("Label8"),
              QStringLiteral("Select the format in which you need to export all of your "
                             "Outlook messages"),
              {120, 120, 6360, 195});
    makeLine(this, QStringLiteral("Line7"), {120, 360, 7095, 15}, kSeparatorGrey);
    // Made in tab order: the button, the progress frame, then the options frame.
    convertButton = makeButton(this, QStringLiteral("CmdConversion"),
                               QStringLiteral("Convert Outlook &Mailbox"), {2520, 6240, 2175, 435});
    convertButton->setEnabled(false);
    convertButton->setAutoDefault(false);
    connect(convertButton, &QPushButton::clicked, this, &ConversionWindow::convert);
    buildProgress();
    buildOptions();
    setOptionTabOrder();
    progress_ =
        std::make_unique<LabelProgress>(*headerLabel, *processingLabel, *foundLabel, *currentLabel);
}

ConversionWindow::~ConversionWindow() {
    if (worker_.joinable()) worker_.join();
}

void ConversionWindow::showModal(ConversionSelection& selection, store::SessionFactory& sessions,
                                 Dialogs dialogs, QWidget* owner) {
    ConversionWindow window(selection, sessions, dialogs, owner);
    window.exec();
}

void ConversionWindow::buildOptions() {
    saveOptionsFrame = makeFrame(this, QStringLiteral("SaveOptionsFrame"),
                                 QStringLiteral(" Saving Options"), {120, 480, 7095, 3735});
    // The window's seven formats, by save code; their captions name the table's extensions.
    struct Row {
        store::SaveFormat code;
        const char* name;
        int width;
        const char* label;
        const char* description;
        int labelWidth;
    };
    using store::SaveFormat;
    static const Row kRows[] = {
        {SaveFormat::Msg, "OptMSG", 1815, "Label2",
         "[ For forensic mail archiving of MS Outlook email messages ]", 4815},
        {SaveFormat::Eml, "OptEML", 1695, "Label3",
         "[ For import in Outlook Express, Thunderbird etc ]", 3615},
        {SaveFormat::Vcf, "OptVCF", 1815, "Label4",
         "[ Only applicable to export Outlook contacts to vCard file ]", 4815},
        {SaveFormat::Txt, "OptTXT", 1695, "Label5",
         "[ For saving Outlook messages for archival or indexing purpose ]", 4815},
        {SaveFormat::Rtf, "OptRTF", 1815, "Label7",
         "[ For saving Outlook messages to Rich Text format ]", 4815},
        {SaveFormat::Html, "OptHTML", 1815, "Label9",
         "[ For saving Outlook messages as HTML pages ]", 4815},
        {SaveFormat::Mht, "OptMHT", 1815, "Label10",
         "[ For saving Outlook messages as Mime HTML format ]", 4815},
    };
    int row = 0;
    for (const Row& r : kRows) {
        const int top = kRowTops[row];
        const QString caption =
            QStringLiteral("  Save as ") +
            QString::fromLatin1(formats::outputFormatOf(r.code).extension).toUpper();
        QRadioButton* option = makeOptionButton(saveOptionsFrame, QLatin1String(r.name), caption,
                                                {120, top, r.width, 255}, true);
        options_.emplace_back(option, r.code);
        // toggled, not clicked: the options answer the keyboard and assistive tools too,
        // whose toggle action checks a button without a click.
        connect(option, &QRadioButton::toggled, this, [this, option] { optionToggled(*option); });
        makeLabel(saveOptionsFrame, QLatin1String(r.label), QLatin1String(r.description),
                  {2160, top, r.labelWidth, 255});
        if (row > 0) {
            makeLine(saveOptionsFrame, QStringLiteral("Line%1").arg(row),
                     {120, top - 120, 6855, 15}, kSeparatorGrey);
        }
        ++row;
    }
}

void ConversionWindow::buildProgress() {
    progressFrame =
        makeFrame(this, QStringLiteral("ExportFrame"),
                  QStringLiteral(" Conversion Progress Details"), {120, 4320, 7095, 1815});
    auto* arrow = makeLabel(progressFrame, QStringLiteral("ImgReadingArrow"), QString(),
                            {810, 360, 150, 240});
    arrow->setPixmap(readingArrow());
    headerLabel =
        makeLabel(progressFrame, QStringLiteral("LblSaveHeader"),
                  QStringLiteral(" Click Convert Outlook Mailbox Button to Start Export Process"),
                  {1080, 360, 5745, 195});
    makeLabel(progressFrame, QStringLiteral("LblSubject"), QStringLiteral("Subject :"),
              {240, 720, 735, 195});
    processingLabel = makeLabel(progressFrame, QStringLiteral("LblProcessing"), QString(),
                                {1080, 720, 5925, 555}, true);
    makeLabel(progressFrame, QStringLiteral("LblFoundLabel"), QStringLiteral("Found :"),
              {360, 1320, 705, 195});
    foundLabel =
        makeLabel(progressFrame, QStringLiteral("LblFound"), QString(), {1080, 1320, 1725, 195});
    makeLabel(progressFrame, QStringLiteral("Label1"), QStringLiteral("Current :"),
              {4440, 1320, 735, 195});
    currentLabel =
        makeLabel(progressFrame, QStringLiteral("LblCurrent"), QString(), {5280, 1320, 1485, 195});
}

void ConversionWindow::setOptionTabOrder() {
    // The options are laid out MSG, EML, VCF, TXT, ... but tabbed through with TXT before VCF.
    using store::SaveFormat;
    const SaveFormat order[] = {SaveFormat::Msg, SaveFormat::Eml,  SaveFormat::Txt, SaveFormat::Vcf,
                                SaveFormat::Rtf, SaveFormat::Html, SaveFormat::Mht};
    QWidget* previous = nullptr;
    for (const SaveFormat code : order) {
        for (const auto& [option, optionCode] : options_) {
            if (optionCode != code) continue;
            if (previous) QWidget::setTabOrder(previous, option);
            previous = option;
        }
    }
}

void ConversionWindow::optionToggled(const QRadioButton& option) {
    // Choosing another option unchecks the one before, which toggles too: the button stays
    // enabled while any option is chosen.
    convertButton->setEnabled(option.isChecked() || selectedFormat().has_value());
}

std::optional<store::SaveFormat> ConversionWindow::selectedFormat() const {
    // The options exclude each other, so at most one is checked.
    for (const auto& [option, code] : options_) {
        if (option->isChecked()) return code;
    }
    return std::nullopt;
}

void ConversionWindow::convert() {
    const std::optional<store::SaveFormat> format = selectedFormat();
    if (running_ || !format) return;  // a second press while the run goes on, or no format
    running_ = true;
    progress_->showPreparing();
    run_ = std::make_unique<exporting::ConversionRun>(
        sessions_,
        exporting::RunRequest{selection_.storeId,
                              {selection_.folders, selection_.unreadFolders},
                              selection_.exportRootPath,
                              *format},
        *progress_);
    worker_ = std::thread([this] {
        exporting::CompletionMessage message;
        try {
            message = completionOf(run_->run());
        } catch (const exporting::PrepareError& error) {
            message = {"Export Failed", error.what(), true};
        } catch (const std::exception& error) {
            message = {"Export Failed", std::string("The export stopped: ") + error.what(), true};
        }
        QMetaObject::invokeMethod(
            this, [this, message] { runEnded(message); }, Qt::QueuedConnection);
    });
}

void ConversionWindow::runEnded(const exporting::CompletionMessage& message) {
    worker_.join();
    if (!run_->exportRoot().empty()) selection_.exportRootPath = run_->exportRoot();
    selection_.folders.clear();
    run_.reset();
    report(message.title, message.text, message.failure);
    running_ = false;
    accept();
}

void ConversionWindow::report(const std::string& title, const std::string& text, bool failure) {
    dialogs_.messageBox.show(this, QString::fromStdString(title), QString::fromStdString(text),
                             failure ? MessageIcon::Warning : MessageIcon::Information,
                             MessageButtons::Ok);
}

void ConversionWindow::reject() {
    if (!running_) QDialog::reject();
}

void ConversionWindow::closeEvent(QCloseEvent* event) {
    if (running_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace pellmark::gui
