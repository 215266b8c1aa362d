#include "gui/foldertree/MailboxFolderDisplay.h"
#include "gui/mainwindow/StoreList.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>

#include "support/FakeStore.h"
#include "support/gui/QtApplication.h"
#include "support/gui/TestWindow.h"

namespace pellmark::gui {
namespace {

using test::fakeFolder;
using test::fakeMail;

const QString kBlanks(300, QLatin1Char(' '));

class MailboxFolderDisplayTest : public ::testing::Test {
  protected:
    MailboxFolderDisplayTest() : factory(world), window(factory), display(window.parts) {
        auto& personal = world.addStore("Personal Folders", "S1");
        personal.dataFilePath = "/mail/personal.pst";
        personal.root.subfolders = {fakeFolder("Inbox", {fakeMail("a"), fakeMail("b")}),
                                    fakeFolder("Sent")};
        personal.root.subfolders[0].subfolders.push_back(fakeFolder("Empty"));
        auto& archive = world.addStore("Archive # 2009", "S2");
        archive.root.subfolders = {fakeFolder("Old")};
    }

    // Picks the entry the listing gives store `id`; an entry without an id when `id` is empty.
    void pick(const std::string& name, const std::string& id) {
        window.storeList->clear();
        if (id.empty())
            window.storeList->addItem(QString::fromStdString(name));
        else
            addStoreEntry(*window.storeList, name, id);
        window.storeList->setCurrentIndex(0);
    }

    // Opens store `id` as the .pst source does before calling showPstFolders.
    void openForPst(const std::string& id) {
        window.current.session = factory.create();
        window.current.session->logon();
        window.current.mailbox = window.current.session->storeFromId(id);
        window.storeId = id;
    }

    test::FakeWorld world;
    test::FakeSessionFactory factory;
    test::TestWindow window;
    MailboxFolderDisplay display;
};

TEST_F(MailboxFolderDisplayTest, ShowPstFoldersFillsAndTicksEveryNode) {
    openForPst("S1");
    window.startButton->setEnabled(true);
    bool disabledDuringFill = true;
    window.onYield = [&] { disabledDuringFill &= !window.startButton->isEnabled(); };
    display.showPstFolders();
    EXPECT_EQ(window.treeOutline(), "Personal Folders\n  Inbox (2)\n    Empty (0)\n  Sent (0)\n");
    EXPECT_TRUE(window.allTicked()) << "the root and empty folders too";
    EXPECT_FALSE(window.startButton->isEnabled());
    EXPECT_TRUE(disabledDuringFill);
    EXPECT_EQ(window.yields, 4) << "at the start and after every folder";
    EXPECT_NE(window.current.session, nullptr) << "the caller's session is left to it";
    EXPECT_EQ(world.logoffs, 0);
}

TEST_F(MailboxFolderDisplayTest, ARootWithoutFoldersShowsTheRootAloneTicked) {
    world.stores[1].root.subfolders.clear();
    openForPst("S2");
    display.showPstFolders();
    EXPECT_EQ(window.treeOutline(), "Archive # 2009\n");
    EXPECT_TRUE(window.allTicked());
}

TEST_F(MailboxFolderDisplayTest, ShowMailboxFoldersFindsThePickedStoreByItsId) {
    pick("Archive # 2009", "S2");
    display.showMailboxFolders();
    EXPECT_EQ(window.storeId, "S2");
    EXPECT_EQ(window.treeOutline(), "Archive # 2009\n  Old (0)\n");
    EXPECT_TRUE(window.allTicked());
    EXPECT_EQ(world.logons, 1);
    EXPECT_EQ(world.logoffs, 1);
    EXPECT_EQ(window.current.session, nullptr);
    EXPECT_EQ(window.current.mailbox, nullptr);
    EXPECT_EQ(window.current.folder, nullptr);

    pick("Personal Folders", "S1");
    display.showMailboxFolders();
    EXPECT_EQ(window.treeOutline(), "Personal Folders\n  Inbox (2)\n    Empty (0)\n  Sent (0)\n")
        << "a new fill replaces the whole tree";
}

TEST_F(MailboxFolderDisplayTest, AFailureBeforeTheClearLeavesTheTreeAndIdAsTheyWere) {
    pick("Personal Folders", "S1");
    display.showMailboxFolders();
    const std::string shown = window.treeOutline();
    window.folderTree->setCheckState(2, 0);

    pick("Gone", "S9");
    EXPECT_THROW(display.showMailboxFolders(), store::StoreError);
    pick("No id at all", "");
    EXPECT_THROW(display.showMailboxFolders(), store::StoreError);
    world.failLogon = true;
    pick("Archive # 2009", "S2");
    EXPECT_THROW(display.showMailboxFolders(), store::StoreError);

    EXPECT_EQ(window.treeOutline(), shown);
    EXPECT_EQ(window.folderTree->checkState(2), 0) << "the user's ticks stay too";
    EXPECT_EQ(window.storeId, "S1");
}

// A damaged mailbox shows every folder that can be read; what cannot is named for the run.
TEST_F(MailboxFolderDisplayTest, AFolderThatCannotBeReadIsNamedAndTheFillGoesOn) {
    world.stores[0].root.subfolders[0].failCount = true;
    world.stores[0].root.subfolders.push_back(fakeFolder("Later"));
    pick("Personal Folders", "S1");
    EXPECT_THROW(display.showMailboxFolders(), FillError);
    EXPECT_EQ(window.treeOutline(), "Personal Folders\n  Sent (0)\n  Later (0)\n");
    EXPECT_TRUE(window.allTicked());
    const auto& unread = window.folderTree->unreadFolders();
    ASSERT_EQ(unread.size(), 1u);
    EXPECT_EQ(unread[0].path, "Personal Folders\\Inbox");

    world.stores[1].failSecondText = true;  // not read by a fill
    world.stores[1].root.failFolders = true;
    openForPst("S2");
    EXPECT_THROW(display.showPstFolders(), FillError);
    EXPECT_EQ(window.treeOutline(), "Archive # 2009\n");
    ASSERT_EQ(window.folderTree->unreadFolders().size(), 1u) << "a new fill starts afresh";
    EXPECT_NE(window.folderTree->unreadFolders()[0].reason.find("subfolders"), std::string::npos);
}

TEST(StoreListTest, EntriesShowNameAndIdAndAreReadByTheirData) {
    test::qtApplication();
    QComboBox list;
    addStoreEntry(list, "A#B", "ABC");
    EXPECT_EQ(list.itemText(0), "A#B" + kBlanks + "#ABC");
    EXPECT_EQ(pickedStoreId(list), "ABC") << "a name holding '#' cannot mislead it";
    list.addItem("---- Select a Outlook Mailbox ----");
    list.setCurrentIndex(1);
    EXPECT_EQ(pickedStoreId(list), "");
    list.clear();
    EXPECT_EQ(pickedStoreId(list), "");
}

}  // namespace
}  // namespace pellmark::gui
