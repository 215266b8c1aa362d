#include "gui/mainwindow/frmMain.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>

#include "gui/about/frmAbout.h"
#include "gui/foldertree/FolderTree.h"
#include "gui/foldertree/SmallIcons.h"
#include "gui/help/HelpWindow.h"
#include "gui/mainwindow/AppPictures.h"
#include "gui/mainwindow/MailboxPreviewPage.h"
#include "gui/mainwindow/Product.h"
#include "gui/mainwindow/SelectFilePage.h"
#include "gui/widgets/Controls.h"
#include "gui/widgets/Fonts.h"

namespace pellmark::gui {

namespace {

constexpr int kClientWidth = 696;
constexpr int kClientHeight = 584;
const QColor kNavy(0, 0, 128);

QLabel* headerLabel(QWidget* parent, const char* name, const QString& caption, gui::TwipsBox box,
                    const QFont& font) {
    QLabel* label = gui::makeLabel(parent, QLatin1String(name), caption, box);
    label->setFont(font);
    return label;
}

}  // namespace

frmMain::frmMain(store::SessionFactory& sessions, gui::Dialogs dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      sessions_(sessions),
      dialogs_(dialogs),
      NotesTab(gui::makeTabControl(this, QStringLiteral("NotesTab"), {90, 1500, 10260, 6780}, 22)),
      page1_(new SelectFilePage),
      page2_(new MailboxPreviewPage),
      parts_(makeParts()),
      display_(parts_),
      configured_(parts_, display_),
      pstFiles_(parts_, display_),
      start_(*page2_->OutlookFoldersTree, selection_, sessions, dialogs, this),
      programEnd_([] { QCoreApplication::exit(0); }),
      programFolder_(QCoreApplication::applicationDirPath()) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QLatin1String(kCaption));
    setWindowIcon(productIcon());
    setFont(gui::tahoma(8.25));
    setFixedSize(kClientWidth, kClientHeight);
    NotesTab->addTab(page1_, QStringLiteral(" Select File"));
    NotesTab->addTab(page2_, previewTabPicture(), QStringLiteral(" Mailbox Preview"));
    buildHeader();
    buildMenus();
    buildStatusBar();
    connectHandlers();
    Form_Load();
}

frmMain::~frmMain() = default;

gui::MainWindowParts frmMain::makeParts() {
    return gui::MainWindowParts{*this,
                                *NotesTab,
                                *page2_->CmbOutlookStores,
                                *page2_->CmdStartConversion,
                                *page1_->txtNotesDatabaseFile,
                                *page2_->OutlookFoldersTree,
                                sessions_,
                                dialogs_,
                                current_,
                                selection_.CurrentStoreID,
                                gui::processPendingEvents};
}

void frmMain::buildHeader() {
    // A white band behind the logo and the product's name, closed by the rule.
    auto* band = new QWidget(this);
    band->setObjectName(QStringLiteral("HeaderBand"));
    band->setGeometry(0, 0, kClientWidth, 72);
    band->setAutoFillBackground(true);
    QPalette palette = band->palette();
    palette.setColor(QPalette::Window, Qt::white);
    band->setPalette(palette);
    QLabel* logo = gui::makeLabel(band, QStringLiteral("Image3"), QString(), {90, 45, 1125, 1005});
    logo->setPixmap(productLogo());
    headerLabel(band, "Label7", QLatin1String(kMaker), {1350, 150, 3000, 270},
                gui::verdana(8.25, true));
    QLabel* product = headerLabel(band, "Label8", QLatin1String(kProduct), {1350, 390, 4500, 450},
                                  gui::verdana(14.25, true));
    QPalette navy = product->palette();
    navy.setColor(QPalette::WindowText, kNavy);
    product->setPalette(navy);
    headerLabel(
        band, "Label9",
        QStringLiteral("Convert Outlook Emails to .MSG, .EML, .TXT, .VCF, .RTF, .HTML, .MHT"),
        {1350, 810, 8000, 240}, gui::tahoma(8.25));
    QLabel* rule = gui::makeLabel(this, QStringLiteral("Image2"), QString(), {0, 1080, 10440, 30});
    rule->setPixmap(headerRule());
}

void frmMain::buildMenus() {
    MenuTop = new QMenuBar(this);
    MenuTop->setObjectName(QStringLiteral("MenuTop"));
    // The bar sits under the header, inside the window, on every desktop.
    MenuTop->setNativeMenuBar(false);
    MenuTop->setGeometry(0, 74, kClientWidth, 22);
    QMenu* file = MenuTop->addMenu(QStringLiteral("&File "));
    file->setObjectName(QStringLiteral("mnuFileTop"));
    QAction* exit = file->addAction(QStringLiteral("E&xit"));
    exit->setObjectName(QStringLiteral("mnuExit"));
    connect(exit, &QAction::triggered, this, &frmMain::mnuExit_Click);
    QMenu* help = MenuTop->addMenu(QStringLiteral("&Help "));
    help->setObjectName(QStringLiteral("mnuHelpTop"));
    QAction* contents = help->addAction(helpMenuPicture(), QStringLiteral("Contents"));
    contents->setObjectName(QStringLiteral("mnuHelp"));
    connect(contents, &QAction::triggered, this, [this] { mnuHelp_Click(0); });
    QAction* about = help->addAction(aboutMenuPicture(), QStringLiteral("&About..."));
    about->setObjectName(QStringLiteral("mnuAbout"));
    connect(about, &QAction::triggered, this, [this] { mnuAbout_Click(1); });
}

void frmMain::buildStatusBar() {
    TamrelXPStatusBar1 = new QStatusBar(this);
    TamrelXPStatusBar1->setObjectName(QStringLiteral("TamrelXPStatusBar1"));
    TamrelXPStatusBar1->setSizeGripEnabled(false);
    TamrelXPStatusBar1->setGeometry(0, kClientHeight - 24, kClientWidth, 24);
    const QList<QLabel*> panels = gui::addStatusPanels(
        *TamrelXPStatusBar1,
        {QStringLiteral("Corvane Software"),
         QStringLiteral("Email: ") + QLatin1String(kSupportEmail), QLatin1String(kWebAddress)});
    panels[0]->setFixedWidth(150);
    panels[1]->setFixedWidth(250);
    for (QLabel* bold : {panels[0], panels[2]}) {
        QFont font = bold->font();
        font.setBold(true);
        bold->setFont(font);
    }
    QPalette blue = panels[2]->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    panels[2]->setPalette(blue);
}

void frmMain::connectHandlers() {
    connect(page1_->OptConfiguredPST, &QRadioButton::toggled, this, [this](bool selected) {
        if (selected) OptConfiguredPST_Click();
    });
    connect(page1_->OptOtherPST, &QRadioButton::toggled, this, [this](bool selected) {
        if (selected) OptOtherPST_Click();
    });
    connect(page1_->txtNotesDatabaseFile, &QLineEdit::textChanged, this,
            &frmMain::txtNotesDatabaseFile_Change);
    connect(page1_->CmdExportConfigured, &QPushButton::clicked, this,
            [this] { configured_.CmdExportConfigured_Click(); });
    connect(page2_->CmbOutlookStores, &QComboBox::activated, this,
            [this] { configured_.CmbOutlookStores_Click(); });
    connect(page1_->CmdBrowse, &QPushButton::clicked, this,
            [this] { pstFiles_.CmdBrowse_Click(); });
    connect(page1_->CmdExportOther, &QPushButton::clicked, this,
            [this] { pstFiles_.CmdExportOther_Click(); });
    connect(page2_->CmdStartConversion, &QPushButton::clicked, this,
            [this] { start_.CmdStartConversion_Click(); });
}

void frmMain::Form_Load() {
    // The title bar, its caption and icon are the window system's; nothing to attach here.
    gui::setCurrentTabPage(*NotesTab, 1);
    page1_->OtherPSTFrame->setEnabled(false);
    page2_->OutlookFoldersTree->setImageList(gui::SmallIcons());
    gui::setTabPageEnabled(*NotesTab, 2, false);
}

void frmMain::OptConfiguredPST_Click() {
    page1_->OtherPSTFrame->setEnabled(false);
    page1_->CmdExportOther->setEnabled(false);
    page1_->CmdExportConfigured->setEnabled(true);
    page1_->CmdBrowse->setEnabled(false);
    page1_->LblHelp->setText(QLatin1String(kConfiguredMailboxHelp));
}

void frmMain::OptOtherPST_Click() {
    page1_->OtherPSTFrame->setEnabled(true);
    page1_->CmdExportConfigured->setEnabled(false);
    page1_->CmdExportOther->setEnabled(false);
    page1_->CmdBrowse->setEnabled(true);
    page1_->LblHelp->setText(QLatin1String(kOtherPstHelp));
}

void frmMain::txtNotesDatabaseFile_Change() {
    // Not trimmed: a text of blanks counts as a path.
    page1_->CmdExportOther->setEnabled(!page1_->txtNotesDatabaseFile->text().isEmpty());
}

void frmMain::mnuExit_Click() {
    const gui::MessageAnswer answer =
        dialogs_.messageBox.show(this, QLatin1String(gui::kProgramMessageTitle),
                                 QStringLiteral("Are you sure you want to close the software"),
                                 gui::MessageIcon::Information, gui::MessageButtons::YesNo);
    if (answer == gui::MessageAnswer::Yes) programEnd_();
}

void frmMain::mnuHelp_Click(int16_t) {
    // Plain joining, as the program's folder gives it; a missing document shows nothing.
    const QString path = programFolder_ + QLatin1Char('/') + QLatin1String(kHelpFileName);
    if (!QFileInfo(path).isFile()) return;
    if (!help_) help_ = std::make_unique<HelpWindow>();
    help_->showDocument(path);
}

void frmMain::mnuAbout_Click(int16_t) {
    if (!about_) about_ = std::make_unique<frmAbout>(this);
    about_->exec();
}

void frmMain::showEvent(QShowEvent* event) {
    if (!centred_) {
        centred_ = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QWidget::showEvent(event);
}

}  // namespace pellmark::gui
