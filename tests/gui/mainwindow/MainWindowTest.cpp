#include "gui/mainwindow/MainWindow.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTimer>

#include "gui/about/AboutWindow.h"
#include "gui/foldertree/FolderTree.h"
#include "gui/help/HelpWindow.h"
#include "gui/widgets/Controls.h"
#include "support/FakeStore.h"
#include "support/TestFiles.h"
#include "support/gui/QtApplication.h"
#include "support/gui/ScriptedDialogs.h"

namespace pellmark::gui {
namespace {

const QString kConfiguredHelp = QStringLiteral(
    "This Option allows you to convert default Outlook mailbox or other configured Outlook PST "
    "files. Software will list all configured Outlook mailboxes and you can choose which mailbox "
    "you need to convert.");

struct WithApplication {
    WithApplication() { test::qtApplication(); }
};

class MainWindowTest : public ::testing::Test, WithApplication {
  protected:
    MainWindowTest() : factory(world), window(factory, dialogs.dialogs()) {
        auto& store = world.addStore("Old Mail", "P1");
        store.dataFilePath = "/home/u/old.pst";
        store.root.subfolders = {test::fakeFolder("Inbox", {test::fakeMail("Hi")})};
        window.setProgramEnd([this] { ++programEnds; });
        window.setProgramFolder(QString::fromStdString(folder.path().string()));
        window.show();
    }

    template <class W = QWidget>
    W* control(const char* name) {
        W* found = window.findChild<W*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QTabWidget& tabs() { return *control<QTabWidget>("NotesTab"); }
    QPushButton& button(const char* name) { return *control<QPushButton>(name); }
    // Enabled of its own, whether or not its frame lets it be used.
    bool ownEnabled(const char* name) {
        QWidget* widget = control(name);
        return widget->isEnabledTo(widget->parentWidget());
    }
    void chooseFile(const QString& path) {
        dialogs.fileDialog.queuePath(path);
        button("CmdBrowse").click();
    }

    test::TempDir folder;
    test::FakeWorld world;
    test::FakeSessionFactory factory;
    test::ScriptedDialogs dialogs;
    MainWindow window;
    int programEnds = 0;
};

TEST_F(MainWindowTest, OpensOnPageOneWithTheOtherSourceLocked) {
    EXPECT_EQ(window.size(), QSize(696, 584));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_EQ(tabs().currentIndex(), 0);
    EXPECT_FALSE(tabs().isTabEnabled(1));
    EXPECT_EQ(tabs().tabBar()->tabRect(0).height(), 22);
    EXPECT_TRUE(control<QRadioButton>("OptConfiguredPST")->isChecked());
    EXPECT_EQ(control<QLabel>("LblHelp")->text(), kConfiguredHelp);
    EXPECT_EQ(control<QComboBox>("CmbOutlookStores")->count(), 0);

    // Enabled, but out of reach while the frame or the page is locked.
    for (const char* name : {"CmdExportConfigured", "CmdBrowse", "CmdExportOther",
                             "CmbOutlookStores", "CmdStartConversion"}) {
        EXPECT_TRUE(ownEnabled(name)) << name;
    }
    EXPECT_TRUE(button("CmdExportConfigured").isEnabled());
    EXPECT_FALSE(button("CmdBrowse").isEnabled());
    EXPECT_FALSE(button("CmdExportOther").isEnabled());

    // The menus, with pictures beside Contents and About only.
    QStringList menus;
    for (QAction* top : control<QMenuBar>("MenuTop")->actions()) {
        menus << top->text();
        for (QAction* item : top->menu()->actions()) {
            menus << item->objectName() + (item->icon().isNull() ? "" : " [picture]");
        }
    }
    EXPECT_EQ(menus, (QStringList{"&File ", "mnuExit", "&Help ", "mnuHelp [picture]",
                                  "mnuAbout [picture]"}));
}

TEST_F(MainWindowTest, OptionsSwitchTheSourceAndTheTextBoxRuleFollowsTheText) {
    control<QRadioButton>("OptOtherPST")->click();
    EXPECT_TRUE(control<QGroupBox>("OtherPSTFrame")->isEnabled());
    EXPECT_FALSE(button("CmdExportConfigured").isEnabled());
    EXPECT_TRUE(button("CmdBrowse").isEnabled());
    EXPECT_FALSE(button("CmdExportOther").isEnabled()) << "nothing chosen yet";
    EXPECT_EQ(control<QLabel>("LblHelp")->text(),
              "This Option allows you to select a Outlook PST file to be converted.");

    chooseFile("/home/u/old.pst");
    EXPECT_TRUE(button("CmdExportOther").isEnabled());

    // Away and back: the path stays, the export button does not come back until the text changes.
    control<QRadioButton>("OptConfiguredPST")->click();
    EXPECT_FALSE(control<QGroupBox>("OtherPSTFrame")->isEnabled());
    EXPECT_FALSE(ownEnabled("CmdBrowse"));
    EXPECT_FALSE(ownEnabled("CmdExportOther"));
    EXPECT_TRUE(button("CmdExportConfigured").isEnabled());
    EXPECT_EQ(control<QLabel>("LblHelp")->text(), kConfiguredHelp);
    control<QRadioButton>("OptOtherPST")->click();
    EXPECT_EQ(control<QLineEdit>("txtNotesDatabaseFile")->text(), "/home/u/old.pst");
    EXPECT_FALSE(button("CmdExportOther").isEnabled());

    chooseFile("   ");
    EXPECT_TRUE(button("CmdExportOther").isEnabled()) << "blanks count as text";
    chooseFile("");  // cancelled
    EXPECT_FALSE(button("CmdExportOther").isEnabled());
}

TEST_F(MainWindowTest, OpeningAFileEnablesPageTwoAndBrowsingLocksItAgain) {
    control<QRadioButton>("OptOtherPST")->click();
    chooseFile("/home/u/old.pst");
    EXPECT_FALSE(tabs().isTabEnabled(1));
    button("CmdExportOther").click();
    EXPECT_TRUE(tabs().isTabEnabled(1));
    EXPECT_EQ(tabs().currentIndex(), 1);
    auto* tree = control<FolderTree>("OutlookFoldersTree");
    EXPECT_EQ(tree->nodeCount(), 2);
    EXPECT_FALSE(tree->node(1)->icon(0).isNull()) << "the tree has its image list";
    EXPECT_TRUE(button("CmdStartConversion").isEnabled());
    EXPECT_EQ(window.selection().storeId, "P1");

    // Switching the source leaves the shown mailbox and the pages alone.
    control<QRadioButton>("OptConfiguredPST")->click();
    EXPECT_EQ(tree->nodeCount(), 2);
    EXPECT_TRUE(tabs().isTabEnabled(1));

    control<QRadioButton>("OptOtherPST")->click();
    chooseFile("");
    EXPECT_FALSE(tabs().isTabEnabled(1));
}

// A file named when the program starts opens as the other-file option opens it.
TEST_F(MainWindowTest, AFileGivenAtStartOpensThroughTheOtherFileOption) {
    window.openDataFile("/home/u/old.pst");
    EXPECT_TRUE(control<QRadioButton>("OptOtherPST")->isChecked());
    EXPECT_TRUE(control<QGroupBox>("OtherPSTFrame")->isEnabled());
    EXPECT_FALSE(button("CmdExportConfigured").isEnabled());
    EXPECT_EQ(control<QLabel>("LblHelp")->text(),
              "This Option allows you to select a Outlook PST file to be converted.");
    EXPECT_EQ(control<QLineEdit>("txtNotesDatabaseFile")->text(), "/home/u/old.pst");
    EXPECT_TRUE(tabs().isTabEnabled(1));
    EXPECT_EQ(tabs().currentIndex(), 1);
    EXPECT_EQ(control<FolderTree>("OutlookFoldersTree")->nodeCount(), 2);
    EXPECT_TRUE(button("CmdStartConversion").isEnabled());
    EXPECT_EQ(window.selection().storeId, "P1");
    EXPECT_TRUE(dialogs.messageBox.shown().empty());

    window.openDataFile("/home/u/notes.txt");
    ASSERT_EQ(dialogs.messageBox.shown().size(), 1u);
    EXPECT_TRUE(dialogs.messageBox.shown()[0].text.contains("/home/u/notes.txt"));
    EXPECT_FALSE(button("CmdStartConversion").isEnabled());
    EXPECT_EQ(control<QLineEdit>("txtNotesDatabaseFile")->text(), "/home/u/notes.txt");
}

// The entries keep the display name, the padding blanks and the store's identifier, but the
// box and its drop-down list show the names alone, however wide the box.
TEST_F(MainWindowTest, TheStoreListShowsTheNamesOnly) {
    button("CmdExportConfigured").click();
    auto* list = control<QComboBox>("CmbOutlookStores");
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->itemText(0), "Old Mail" + QString(300, QLatin1Char(' ')) + "#P1");
    list->setCurrentIndex(0);
    QComboBox* named = makeDropDownList(list->parentWidget(), QStringLiteral("Named"), QString(),
                                        {150, 450, 9900, 360});
    named->addItem(QStringLiteral("Old Mail"));
    named->setCurrentIndex(0);
    for (QComboBox* box : {list, named}) box->resize(3000, list->height());
    EXPECT_EQ(list->grab().toImage(), named->grab().toImage());
    delete named;

    const int nameWidth = list->fontMetrics().horizontalAdvance(QStringLiteral("Old Mail"));
    EXPECT_LT(list->view()->sizeHintForIndex(list->model()->index(0, 0)).width(), nameWidth + 40);
}

TEST_F(MainWindowTest, ExitAsksAndEndsOnlyOnYes) {
    control<QRadioButton>("OptOtherPST")->click();
    chooseFile("/home/u/old.pst");
    button("CmdExportOther").click();
    dialogs.messageBox.queueAnswer(MessageAnswer::No);
    control<QMenuBar>("MenuTop")->findChild<QAction*>("mnuExit")->trigger();
    ASSERT_EQ(dialogs.messageBox.shown().size(), 1u);
    const auto& box = dialogs.messageBox.shown()[0];
    EXPECT_EQ(box.text, "Are you sure you want to close the software");
    EXPECT_EQ(box.title, "Corvane Quillon");
    EXPECT_EQ(box.buttons, MessageButtons::YesNo);
    EXPECT_EQ(box.icon, MessageIcon::Information);
    EXPECT_EQ(programEnds, 0);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(control<FolderTree>("OutlookFoldersTree")->nodeCount(), 2);
    EXPECT_EQ(tabs().currentIndex(), 1);

    dialogs.messageBox.queueAnswer(MessageAnswer::Yes);
    window.exitProgram();
    EXPECT_EQ(programEnds, 1);
    EXPECT_EQ(dialogs.messageBox.shown().size(), 2u) << "no further question";
}

TEST_F(MainWindowTest, HelpOpensBesideTheWindowOrSilentlyNotAtAll) {
    window.showHelp(0);
    EXPECT_EQ(window.helpWindow(), nullptr);
    EXPECT_TRUE(dialogs.messageBox.shown().empty());

    test::writeFile(folder / "Help.html",
                    "<html><head><title>T</title></head>"
                    "<body><p>Choosing a mailbox</p></body></html>");
    control<QMenuBar>("MenuTop")->findChild<QAction*>("mnuHelp")->trigger();
    ASSERT_NE(window.helpWindow(), nullptr);
    EXPECT_TRUE(window.helpWindow()->isVisible());
    EXPECT_TRUE(window.helpWindow()->isWindow());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the main window stays usable";
    EXPECT_TRUE(window.helpWindow()->browser()->toPlainText().contains("Choosing a mailbox"));
    window.showHelp(0);
    EXPECT_TRUE(dialogs.messageBox.shown().empty());
}

TEST_F(MainWindowTest, AboutLooksTheSameEachTime) {
    QImage shown[2];
    for (QImage& picture : shown) {
        QTimer::singleShot(0, [&] {
            AboutWindow* about = window.aboutWindow();
            ASSERT_NE(about, nullptr);
            EXPECT_TRUE(about->isModal());
            EXPECT_EQ(QApplication::activeModalWidget(), about);
            picture = about->grab().toImage();
            about->close();
        });
        control<QMenuBar>("MenuTop")->findChild<QAction*>("mnuAbout")->trigger();
    }
    EXPECT_EQ(window.aboutWindow()->windowTitle(), "About");
    EXPECT_EQ(window.aboutWindow()->size(), QSize(375, 209));
    EXPECT_FALSE(window.aboutWindow()->isVisible());
    EXPECT_FALSE(shown[0].isNull());
    EXPECT_EQ(shown[0], shown[1]);
    EXPECT_TRUE(window.aboutWindow()->findChildren<QPushButton*>().isEmpty());
}

}  // namespace
}  // namespace pellmark::gui
