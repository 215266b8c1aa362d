#include "gui/mainwindow/PstFiles.h"

#include "gui/mainwindow/ConfiguredMailboxes.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include "support/FakeStore.h"
#include "support/gui/TestWindow.h"

namespace pellmark::gui {
namespace {

using test::fakeFolder;

class PstFilesTest : public ::testing::Test {
  protected:
    PstFilesTest()
        : factory(world), window(factory), display(window.parts), pst(window.parts, display) {
        auto& old = world.addStore("Old Mail", "P1");
        old.secondText = "/home/u/old.pst";
        old.root.subfolders = {fakeFolder("Inbox"), fakeFolder("Deleted Items")};
        world.addStore("Other", "P2").secondText = "/home/u/other.pst";
        QObject::connect(window.txtNotesDatabaseFile, &QLineEdit::textChanged,
                         [this] { ++changes; });
    }

    void open(const QString& path) {
        window.txtNotesDatabaseFile->setText(path);
        pst.CmdExportOther_Click();
    }

    test::FakeWorld world;
    test::FakeSessionFactory factory;
    test::TestWindow window;
    gui::MailboxFolderDisplay display;
    PstFiles pst;
    int changes = 0;
};

TEST_F(PstFilesTest, BrowsingWritesTheAnswerAndDisablesPageTwo) {
    window.NotesTab->setTabEnabled(1, true);
    window.dialogs.fileDialog.queuePath("/home/u/old.pst");
    pst.CmdBrowse_Click();
    EXPECT_EQ(window.dialogs.fileDialog.filters(), QStringList{"Outlook Mailbox (*.pst)|*.pst"});
    EXPECT_EQ(window.txtNotesDatabaseFile->text(), "/home/u/old.pst");
    EXPECT_FALSE(window.NotesTab->isTabEnabled(1));
    EXPECT_EQ(changes, 1);

    // Picking the same file again still counts as a change of the text box.
    window.dialogs.fileDialog.queuePath("/home/u/old.pst");
    pst.CmdBrowse_Click();
    EXPECT_EQ(changes, 2);

    window.NotesTab->setTabEnabled(1, true);
    pst.CmdBrowse_Click();  // cancelled
    EXPECT_EQ(window.txtNotesDatabaseFile->text(), "");
    EXPECT_FALSE(window.NotesTab->isTabEnabled(1));
}

TEST_F(PstFilesTest, OpeningShowsTheFileOnPageTwo) {
    bool startLockedDuringFill = true;
    window.onYield = [&] { startLockedDuringFill &= !window.CmdStartConversion->isEnabled(); };
    open("  /home/u/old.pst  ");
    EXPECT_TRUE(startLockedDuringFill);
    EXPECT_EQ(window.treeOutline(), "Old Mail\n  Inbox (0)\n  Deleted Items (0)\n");
    EXPECT_TRUE(window.allTicked());
    EXPECT_EQ(window.CurrentStoreID, "P1");
    EXPECT_TRUE(window.CmdStartConversion->isEnabled());
    EXPECT_FALSE(window.CmbOutlookStores->isEnabled()) << "no pick can replace the shown file";
    EXPECT_TRUE(window.NotesTab->isTabEnabled(1));
    EXPECT_EQ(window.NotesTab->currentIndex(), 1);
    EXPECT_EQ(world.logoffs, 1);
    EXPECT_EQ(window.current.CurrentSession, nullptr);
    EXPECT_EQ(window.current.CurrentStore, nullptr);
    EXPECT_TRUE(window.dialogs.messageBox.shown().empty());
}

TEST_F(PstFilesTest, AFileThatIsNoPstChangesNothingButThePages) {
    open("/home/u/old.pst");
    window.NotesTab->setCurrentIndex(0);
    window.CmbOutlookStores->setEnabled(true);
    for (const char* path : {"/home/u/notes.txt", "", "   "}) {
        open(path);
        EXPECT_TRUE(window.dialogs.messageBox.shown().empty()) << path;
        EXPECT_EQ(window.treeOutline(), "Old Mail\n  Inbox (0)\n  Deleted Items (0)\n");
        EXPECT_EQ(window.CurrentStoreID, "P1");
        EXPECT_FALSE(window.CmdStartConversion->isEnabled());
        EXPECT_TRUE(window.CmbOutlookStores->isEnabled());
        EXPECT_TRUE(window.NotesTab->isTabEnabled(1));
        EXPECT_EQ(window.NotesTab->currentIndex(), 1);
    }
    EXPECT_EQ(world.logoffs, 4);
}

TEST_F(PstFilesTest, LogonFailureShowsTheOneMessageAndChangesNothingElse) {
    open("/home/u/old.pst");
    window.NotesTab->setCurrentIndex(0);
    world.failLogon = true;
    open("/home/u/other.pst");
    ASSERT_EQ(window.dialogs.messageBox.shown().size(), 1u);
    EXPECT_EQ(window.dialogs.messageBox.shown()[0].text,
              "Outlook NOT installed or configured properly.");
    EXPECT_EQ(window.dialogs.messageBox.shown()[0].title, "Corvane Quillon");
    EXPECT_FALSE(window.CmdStartConversion->isEnabled());
    EXPECT_EQ(window.CurrentStoreID, "P1");
    EXPECT_EQ(window.treeOutline(), "Old Mail\n  Inbox (0)\n  Deleted Items (0)\n");
    EXPECT_EQ(window.NotesTab->currentIndex(), 0);
}

TEST_F(PstFilesTest, APartlyReadTreeIsReportedAndCanStillBeExported) {
    world.stores[0].root.subfolders[1].failCount = true;
    open("/home/u/old.pst");
    EXPECT_EQ(window.treeOutline(), "Old Mail\n  Inbox (0)\n");
    ASSERT_EQ(window.dialogs.messageBox.shown().size(), 1u);
    EXPECT_TRUE(window.dialogs.messageBox.shown()[0].text.startsWith(
        "Not all folders of the mailbox could be read"));
    EXPECT_TRUE(window.CmdStartConversion->isEnabled());
    EXPECT_EQ(window.NotesTab->currentIndex(), 1);
    EXPECT_EQ(world.logoffs, 1);
}

TEST_F(PstFilesTest, MailboxButtonsPressedDuringAFillAreIgnored) {
    ConfiguredMailboxes configured(window.parts, display);
    window.onYield = [&] {
        pst.CmdExportOther_Click();
        configured.CmdExportConfigured_Click();
        configured.CmbOutlookStores_Click();
    };
    open("/home/u/old.pst");
    EXPECT_EQ(world.sessionsCreated, 1);
    EXPECT_EQ(window.treeOutline(), "Old Mail\n  Inbox (0)\n  Deleted Items (0)\n");
    EXPECT_TRUE(window.allTicked());
    window.onYield = nullptr;
    open("/home/u/other.pst");
    EXPECT_EQ(world.sessionsCreated, 2) << "the next press works again";
}

}  // namespace
}  // namespace pellmark::gui
