#include "gui/mainwindow/MainWindow.h"

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

#include "gui/about/AboutWindow.h"
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

QLabel* headerLabel(QWidget* parent, const char* name, const QString& caption, TwipsBox box,
                    const QFont& font) {
    QLabel* label = makeLabel(parent, QLatin1String(name), caption, box);
    label->setFont(font);
    return label;
}

}  // namespace

MainWindow::MainWindow(store::SessionFactory& sessions, Dialogs dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      sessions_(sessions),
      dialogs_(dialogs),
      notesTab(makeTabControl(this, QStringLiteral("NotesTab"), {90, 1500, 10260, 6780}, 22)),
      page1_(new SelectFilePage),
      page2_(new MailboxPreviewPage),
      parts_(makeParts()),
      display_(parts_),
      configured_(parts_, display_),
      pstFiles_(parts_, display_),
      start_(*page2_->folderTree, selection_, sessions, dialogs, this),
      programEnd_([] { QCoreApplication::exit(0); }),
      programFolder_(QCoreApplication::applicationDirPath()) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QLatin1String(kCaption));
    setWindowIcon(productIcon());
    setFont(tahoma(8.25));
    setFixedSize(kClientWidth, kClientHeight);
    notesTab->addTab(page1_, QStringLiteral(" Select File"));
    notesTab->addTab(page2_, previewTabPicture(), QStringLiteral(" Mailbox Preview"));
    buildHeader();
    buildMenus();
    buildStatusBar();
    connectHandlers();
    load();
}

MainWindow::~MainWindow() = default;

MainWindowParts MainWindow::makeParts() {
    return MainWindowParts{*this,
                           *notesTab,
                           *page2_->storeList,
                           *page2_->startButton,
                           *page1_->pstPathBox,
                           *page2_->folderTree,
                           sessions_,
                           dialogs_,
                           current_,
                           selection_.storeId,
                           processPendingEvents};
}

void MainWindow::buildHeader() {
    // A white band behind the logo and the product's name, closed by the rule.
    auto* band = new QWidget(this);
    band->setObjectName(QStringLiteral("HeaderBand"));
    band->setGeometry(0, 0, kClientWidth, 72);
    band->setAutoFillBackground(true);
    QPalette palette = band->palette();
    palette.setColor(QPalette::Window, Qt::white);
    band->setPalette(palette);
    QLabel* logo = makeLabel(band, QStringLiteral("Image3"), QString(), {90, 45, 1125, 1005});
    logo->setPixmap(productLogo());
    headerLabel(band, "Label7", QLatin1String(kMaker), {1350, 150, 3000, 270}, verdana(8.25, true));
    QLabel* product = headerLabel(band, "Label8", QLatin1String(kProduct), {1350, 390, 4500, 450},
                                  verdana(14.25, true));
    QPalette navy = product->palette();
    navy.setColor(QPalette::WindowText, kNavy);
    product->setPalette(navy);
    headerLabel(
        band, "Label9",
        QStringLiteral("Convert Outlook Emails to .MSG, .EML, .TXT, .VCF, .RTF, .HTML, .MHT"),
        {1350, 810, 8000, 240}, tahoma(8.25));
    QLabel* rule = makeLabel(this, QStringLiteral("Image2"), QString(), {0, 1080, 10440, 30});
    rule->setPixmap(headerRule());
}

void MainWindow::buildMenus() {
    menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("MenuTop"));
    // The bar sits under the header, inside the window, on every desktop.
    menuBar->setNativeMenuBar(false);
    menuBar->setGeometry(0, 74, kClientWidth, 22);
    QMenu* file = menuBar->addMenu(QStringLiteral("&File "));
    file->setObjectName(QStringLiteral("mnuFileTop"));
    QAction* exit = file->addAction(QStringLiteral("E&xit"));
    exit->setObjectName(QStringLiteral("mnuExit"));
    connect(exit, &QAction::triggered, this, &MainWindow::exitProgram);
    QMenu* help = menuBar->addMenu(QStringLiteral("&Help "));
    help->setObjectName(QStringLiteral("mnuHelpTop"));
    QAction* contents = help->addAction(helpMenuPicture(), QStringLiteral("Contents"));
    contents->setObjectName(QStringLiteral("mnuHelp"));
    connect(contents, &QAction::triggered, this, [this] { showHelp(0); });
    QAction* about = help->addAction(aboutMenuPicture(), QStringLiteral("&About..."));
    about->setObjectName(QStringLiteral("mnuAbout"));
    connect(about, &QAction::triggered, this, [this] { showAbout(1); });
}

void MainWindow::buildStatusBar() {
    statusBar = new QStatusBar(this);
    statusBar->setObjectName(QStringLiteral("TamrelXPStatusBar1"));
    statusBar->setSizeGripEnabled(false);
    statusBar->setGeometry(0, kClientHeight - 24, kClientWidth, 24);
    const QList<QLabel*> panels =
        addStatusPanels(*statusBar, {QStringLiteral("Corvane Software"),
                                     QStringLiteral("Email: ") + QLatin1String(kSupportEmail),
                                     QLatin1String(kWebAddress)});
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

void MainWindow::connectHandlers() {
    connect(page1_->configuredOption, &QRadioButton::toggled, this, [this](bool selected) {
        if (selected) configuredMailboxesChosen();
    });
    connect(page1_->otherPstOption, &QRadioButton::toggled, this, [this](bool selected) {
        if (selected) otherPstFileChosen();
    });
    connect(page1_->pstPathBox, &QLineEdit::textChanged, this, &MainWindow::pstPathChanged);
    connect(page1_->exportConfiguredButton, &QPushButton::clicked, this,
            [this] { configured_.listConfiguredMailboxes(); });
    connect(page2_->storeList, &QComboBox::activated, this,
            [this] { configured_.showPickedMailbox(); });
    connect(page1_->browseButton, &QPushButton::clicked, this, [this] { pstFiles_.browse(); });
    connect(page1_->exportOtherButton, &QPushButton::clicked, this,
            [this] { pstFiles_.openPstFile(); });
    connect(page2_->startButton, &QPushButton::clicked, this, [this] { start_.start(); });
}

void MainWindow::load() {
    // The title bar, its caption and icon are the window system's; nothing to attach here.
    setCurrentTabPage(*notesTab, 1);
    page1_->otherPstFrame->setEnabled(false);
    page2_->folderTree->setImageList(smallIcons());
    setTabPageEnabled(*notesTab, 2, false);
}

void MainWindow::openDataFile(const QString& path) {
    page1_->otherPstOption->setChecked(true);
    writeLockedText(*page1_->pstPathBox, path);
    pstFiles_.openPstFile();
}

void MainWindow::configuredMailboxesChosen() {
    page1_->otherPstFrame->setEnabled(false);
    page1_->exportOtherButton->setEnabled(false);
    page1_->exportConfiguredButton->setEnabled(true);
    page1_->browseButton->setEnabled(false);
    page1_->helpLabel->setText(QLatin1String(kConfiguredMailboxHelp));
}

void MainWindow::otherPstFileChosen() {
    page1_->otherPstFrame->setEnabled(true);
    page1_->exportConfiguredButton->setEnabled(false);
    page1_->exportOtherButton->setEnabled(false);
    page1_->browseButton->setEnabled(true);
    page1_->helpLabel->setText(QLatin1String(kOtherPstHelp));
}

void MainWindow::pstPathChanged() {
    // Not trimmed: a text of blanks counts as a path.
    page1_->exportOtherButton->setEnabled(!page1_->pstPathBox->text().isEmpty());
}

void MainWindow::exitProgram() {
    const MessageAnswer answer =
        dialogs_.messageBox.show(this, QLatin1String(kProgramMessageTitle),
                                 QStringLiteral("Are you sure you want to close the software"),
                                 MessageIcon::Information, MessageButtons::YesNo);
    if (answer == MessageAnswer::Yes) programEnd_();
}

void MainWindow::showHelp(int16_t) {
    // Plain joining, as the program's folder gives it; a missing document shows nothing.
    const QString path = programFolder_ + QLatin1Char('/') + QLatin1String(kHelpFileName);
    if (!QFileInfo(path).isFile()) return;
    if (!help_) help_ = std::make_unique<HelpWindow>();
    help_->showDocument(path);
}

void MainWindow::showAbout(int16_t) {
    if (!about_) about_ = std::make_unique<AboutWindow>(this);
    about_->exec();
}

void MainWindow::showEvent(QShowEvent* event) {
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
