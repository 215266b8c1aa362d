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
        old.dataFilePath = "/home/u/old.pst";
        old.root.subfolders = {fakeFolder("Inbox"), fakeFolder("Deleted Items")};
        world.addStore("Other", "P2").dataFilePath = "/home/u/other.pst";
        QObject::connect(window.pstPathBox, &QLineEdit::textChanged, [this] { ++changes; });
    }

    void open(const QString& path) {
        window.pstPathBox->setText(path);
        pst.openPstFile();
    }

    test::FakeWorld world;
    test::FakeSessionFactory factory;
    test::TestWindow window;
    MailboxFolderDisplay display;
    PstFiles pst;
    int changes = 0;
};

TEST_F(PstFilesTest, BrowsingWritesTheAnswerAndDisablesPageTwo) {
    window.notesTab->setTabEnabled(1, true);
    window.dialogs.fileDialog.queuePath("/home/u/old.pst");
    pst.browse();
    // The .pst entry first, as it ever was; then offline folders and any file.
    EXPECT_EQ(window.dialogs.fileDialog.filters(),
              QStringList{"Outlook Mailbox (*.pst)|*.pst|Offline Outlook Data File (*.ost)|*.ost|"
                          "All files (*)|*"});
    EXPECT_EQ(window.pstPathBox->text(), "/home/u/old.pst");
    EXPECT_FALSE(window.notesTab->isTabEnabled(1));
    EXPECT_EQ(changes, 1);

    // Picking the same file again still counts as a change of the text box.
    window.dialogs.fileDialog.queuePath("/home/u/old.pst");
    pst.browse();
    EXPECT_EQ(changes, 2);

    window.notesTab->setTabEnabled(1, true);
    pst.browse();  // cancelled
    EXPECT_EQ(window.pstPathBox->text(), "");
    EXPECT_FALSE(window.notesTab->isTabEnabled(1));
}

TEST_F(PstFilesTest, OpeningShowsTheFileOnPageTwo) {
    bool startLockedDuringFill = true;
    window.onYield = [&] { startLockedDuringFill &= !window.startButton->isEnabled(); };
    open("  /home/u/old.pst  ");
    EXPECT_TRUE(startLockedDuringFill);
    EXPECT_EQ(window.treeOutline(), "Old Mail\n  Inbox (0)\n  Deleted Items (0)\n");
    EXPECT_TRUE(window.allTicked());
    EXPECT_EQ(window.storeId, "P1");
    EXPECT_TRUE(window.startButton->isEnabled());
    EXPECT_FALSE(window.storeList->isEnabled()) << "no pick can replace the shown file";
    EXPECT_TRUE(window.notesTab->isTabEnabled(1));
    EXPECT_EQ(window.notesTab->currentIndex(), 1);
    EXPECT_EQ(world.logoffs, 1);
    EXPECT_EQ(window.current.session, nullptr);
    EXPECT_EQ(window.current.mailbox, nullptr);
    EXPECT_TRUE(window.dialogs.messageBox.shown().empty());
}

// Such a file is named in one message with the reason, and changes nothing but the pages.
TEST_F(PstFilesTest, AFileThatDoesNotOpenIsNamedWithTheReason) {
    open("/home/u/old.pst");
    window.notesTab->setCurrentIndex(0);
    window.storeList->setEnabled(true);
    // One that opens but cannot tell its data file fails as late as that.
    world.stores[1].failSecondText = true;
    const auto& shown = window.dialogs.messageBox.shown();
    for (const char* path : {"/home/u/notes.txt", "", "   ", "/home/u/other.pst"}) {
        const std::size_t before = shown.size();
        open(path);
        ASSERT_EQ(shown.size(), before + 1) << path;
        const QString reason = QString(path).startsWith("/home/u/other")
                                   ? "/home/u/other.pst: data file missing"
                                   : "store not found";
        EXPECT_EQ(shown.back().text, QStringLiteral("The file could not be opened:\r\n%1\r\n%2")
                                         .arg(QString(path).trimmed(), reason));
        EXPECT_EQ(shown.back().title, "Corvane Quillon");
        EXPECT_EQ(shown.back().icon, MessageIcon::Information);
        EXPECT_EQ(shown.back().buttons, MessageButtons::Ok);
        EXPECT_EQ(window.treeOutline(), "Old Mail\n  Inbox (0)\n  Deleted Items (0)\n");
        EXPECT_EQ(window.storeId, "P1");
        EXPECT_FALSE(window.startButton->isEnabled());
        EXPECT_TRUE(window.storeList->isEnabled());
        EXPECT_TRUE(window.notesTab->isTabEnabled(1));
        EXPECT_EQ(window.notesTab->currentIndex(), 1);
    }
    EXPECT_EQ(world.logoffs, 5);
}

TEST_F(PstFilesTest, LogonFailureShowsTheOneMessageAndChangesNothingElse) {
    open("/home/u/old.pst");
    window.notesTab->setCurrentIndex(0);
    world.failLogon = true;
    open("/home/u/other.pst");
    ASSERT_EQ(window.dialogs.messageBox.shown().size(), 1u);
    EXPECT_EQ(window.dialogs.messageBox.shown()[0].text,
              "Outlook NOT installed or configured properly.");
    EXPECT_EQ(window.dialogs.messageBox.shown()[0].title, "Corvane Quillon");
    EXPECT_FALSE(window.startButton->isEnabled());
    EXPECT_EQ(window.storeId, "P1");
    EXPECT_EQ(window.treeOutline(), "Old Mail\n  Inbox (0)\n  Deleted Items (0)\n");
    EXPECT_EQ(window.notesTab->currentIndex(), 0);
}

TEST_F(PstFilesTest, APartlyReadTreeIsReportedAndCanStillBeExported) {
    world.stores[0].root.subfolders[1].failCount = true;
    open("/home/u/old.pst");
    EXPECT_EQ(window.treeOutline(), "Old Mail\n  Inbox (0)\n");
    ASSERT_EQ(window.dialogs.messageBox.shown().size(), 1u);
    EXPECT_TRUE(window.dialogs.messageBox.shown()[0].text.startsWith(
        "Not all folders of the mailbox could be read"));
    EXPECT_TRUE(window.startButton->isEnabled());
    EXPECT_EQ(window.notesTab->currentIndex(), 1);
    EXPECT_EQ(world.logoffs, 1);
}

TEST_F(PstFilesTest, MailboxButtonsPressedDuringAFillAreIgnored) {
    ConfiguredMailboxes configured(window.parts, display);
    window.onYield = [&] {
        pst.openPstFile();
        configured.listConfiguredMailboxes();
        configured.showPickedMailbox();
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
