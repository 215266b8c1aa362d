#include "gui/mainwindow/ConfiguredMailboxes.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>

#include "support/FakeStore.h"
#include "support/gui/TestWindow.h"

namespace pellmark::gui {
namespace {

using test::fakeFolder;

const QString kBlanks(300, QLatin1Char(' '));

class ConfiguredMailboxesTest : public ::testing::Test {
  protected:
    ConfiguredMailboxesTest()
        : factory(world), window(factory), display(window.parts), sources(window.parts, display) {
        auto& personal = world.addStore(" Personal Folders ", "S1");
        personal.dataFilePath = "/mail/personal.pst";
        personal.root.subfolders = {fakeFolder("Inbox"), fakeFolder("Sent")};
        world.addStore("Public Folders", "S2").dataFilePath = "   ";
        auto& archive = world.addStore("Archive", "S3");
        archive.dataFilePath = "/mail/archive.pst";
        archive.root.subfolders = {fakeFolder("Old")};
    }

    QStringList entries() const {
        QStringList list;
        for (int i = 0; i < window.storeList->count(); ++i) {
            list << window.storeList->itemText(i);
        }
        return list;
    }
    void pickEntry(int index) {
        window.storeList->setCurrentIndex(index);
        sources.showPickedMailbox();
    }

    test::FakeWorld world;
    test::FakeSessionFactory factory;
    test::TestWindow window;
    MailboxFolderDisplay display;
    ConfiguredMailboxes sources;
};

TEST_F(ConfiguredMailboxesTest, ListingAddsAnEntryPerOfferedStoreAndTurnsToPageTwo) {
    sources.listConfiguredMailboxes();
    EXPECT_EQ(entries(),
              (QStringList{" Personal Folders " + kBlanks + "#S1", "Archive" + kBlanks + "#S3"}));
    EXPECT_EQ(window.storeList->currentIndex(), -1) << "nothing picked yet";
    EXPECT_TRUE(window.storeList->isEnabled());
    EXPECT_TRUE(window.notesTab->isTabEnabled(1));
    EXPECT_EQ(window.notesTab->currentIndex(), 1);
    EXPECT_FALSE(window.startButton->isEnabled());
    EXPECT_EQ(world.logoffs, 1);
    EXPECT_EQ(window.current.session, nullptr);
    EXPECT_EQ(window.folderTree->nodeCount(), 0);

    sources.listConfiguredMailboxes();
    EXPECT_EQ(entries().size(), 2) << "a second listing replaces the first";
}

// A store whose file cannot be opened is left out of the list, as one without a data file is,
// but it is named: once, after the listing, with the information icon.
TEST_F(ConfiguredMailboxesTest, StoresThatCannotBeOfferedAreSkippedAndTheUnopenedNamed) {
    world.stores[0].failSecondText = true;
    sources.listConfiguredMailboxes();
    EXPECT_EQ(entries(), QStringList{"Archive" + kBlanks + "#S3"});
    EXPECT_EQ(window.notesTab->currentIndex(), 1);
    ASSERT_EQ(window.dialogs.messageBox.shown().size(), 1u);
    const auto& box = window.dialogs.messageBox.shown()[0];
    EXPECT_EQ(box.text,
              "A data file of the profile could not be opened and is not in the list:\r\n"
              "    /mail/personal.pst: data file missing\r\n");
    EXPECT_EQ(box.title, "Corvane Quillon");
    EXPECT_EQ(box.icon, MessageIcon::Information);
    EXPECT_EQ(box.buttons, MessageButtons::Ok);
    world.stores[2].failSecondText = true;
    sources.listConfiguredMailboxes();
    ASSERT_EQ(window.dialogs.messageBox.shown().size(), 2u);
    EXPECT_TRUE(window.dialogs.messageBox.shown()[1].text.startsWith(
        "2 data files of the profile could not be opened"));
    EXPECT_TRUE(window.dialogs.messageBox.shown()[1].text.contains("/mail/archive.pst"));

    // No store qualifies: the list keeps its enabled state, page 2 still opens.
    world.stores.erase(world.stores.begin() + 2);
    world.stores[0].failSecondText = false;
    world.stores[0].dataFilePath = "";
    window.storeList->setEnabled(false);
    sources.listConfiguredMailboxes();
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_FALSE(window.storeList->isEnabled());
    EXPECT_EQ(window.notesTab->currentIndex(), 1);
    EXPECT_FALSE(window.startButton->isEnabled());

    world.failStores = true;
    window.notesTab->setCurrentIndex(0);
    sources.listConfiguredMailboxes();
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_EQ(window.notesTab->currentIndex(), 1);
    EXPECT_EQ(window.dialogs.messageBox.shown().size(), 2u) << "stores without a file go unsaid";
}

TEST_F(ConfiguredMailboxesTest, LogonFailureShowsTheOneMessageAndChangesNothingElse) {
    sources.listConfiguredMailboxes();
    pickEntry(0);
    window.notesTab->setCurrentIndex(0);
    const std::string tree = window.treeOutline();
    world.failLogon = true;
    sources.listConfiguredMailboxes();
    ASSERT_EQ(window.dialogs.messageBox.shown().size(), 1u);
    const auto& box = window.dialogs.messageBox.shown()[0];
    EXPECT_EQ(box.text, "Outlook NOT installed or configured properly.");
    EXPECT_EQ(box.title, "Corvane Quillon");
    EXPECT_EQ(box.icon, MessageIcon::Information);
    EXPECT_EQ(box.buttons, MessageButtons::Ok);
    EXPECT_FALSE(window.startButton->isEnabled());
    EXPECT_EQ(entries().size(), 2);
    EXPECT_EQ(window.storeList->currentIndex(), 0);
    EXPECT_EQ(window.treeOutline(), tree);
    EXPECT_EQ(window.notesTab->currentIndex(), 0);
}

TEST_F(ConfiguredMailboxesTest, PickingShowsTheMailboxWithListAndStartDisabledMeanwhile) {
    sources.listConfiguredMailboxes();
    bool lockedDuringFill = true;
    window.onYield = [&] {
        lockedDuringFill &= !window.storeList->isEnabled() && !window.startButton->isEnabled();
    };
    pickEntry(1);
    EXPECT_TRUE(lockedDuringFill);
    EXPECT_EQ(window.treeOutline(), "Archive\n  Old (0)\n");
    EXPECT_TRUE(window.allTicked());
    EXPECT_EQ(window.storeId, "S3");
    EXPECT_TRUE(window.storeList->isEnabled());
    EXPECT_EQ(window.storeList->currentIndex(), 1) << "the same entry stays shown";
    EXPECT_TRUE(window.startButton->isEnabled());

    pickEntry(0);
    EXPECT_EQ(window.treeOutline(), " Personal Folders \n  Inbox (0)\n  Sent (0)\n");
}

TEST_F(ConfiguredMailboxesTest, APickWithNothingChosenOnlyTogglesTheList) {
    sources.listConfiguredMailboxes();
    const int sessions = world.sessionsCreated;
    pickEntry(-1);
    EXPECT_EQ(world.sessionsCreated, sessions);
    EXPECT_TRUE(window.storeList->isEnabled());
    EXPECT_FALSE(window.startButton->isEnabled());
}

TEST_F(ConfiguredMailboxesTest, AMailboxThatCannotBeShownIsReportedAndTheTreeKept) {
    sources.listConfiguredMailboxes();
    pickEntry(1);
    world.stores.erase(world.stores.begin());  // its data file went away
    pickEntry(0);
    ASSERT_EQ(window.dialogs.messageBox.shown().size(), 1u);
    EXPECT_TRUE(
        window.dialogs.messageBox.shown()[0].text.startsWith("The mailbox could not be shown: "));
    EXPECT_EQ(window.treeOutline(), "Archive\n  Old (0)\n");
    EXPECT_EQ(window.storeId, "S3");
    EXPECT_TRUE(window.startButton->isEnabled());
    EXPECT_TRUE(window.storeList->isEnabled());

    world.stores[1].root.subfolders[0].failCount = true;  // Archive's "Old"
    pickEntry(1);
    ASSERT_EQ(window.dialogs.messageBox.shown().size(), 2u);
    EXPECT_TRUE(window.dialogs.messageBox.shown()[1].text.startsWith(
        "Not all folders of the mailbox could be read"));
    EXPECT_EQ(window.treeOutline(), "Archive\n");
}

}  // namespace
}  // namespace pellmark::gui
