#include "gui/foldertree/FolderTree.h"

#include <gtest/gtest.h>

#include <QHeaderView>

#include "gui/foldertree/SmallIcons.h"
#include "support/gui/QtApplication.h"

namespace pellmark::gui {
namespace {

// Made before the fixture's widgets.
struct WithApplication {
    WithApplication() { test::qtApplication(); }
};

class FolderTreeTest : public ::testing::Test, WithApplication {
  protected:
    QTreeWidgetItem* addRoot() {
        return tree.addNode({"Mail", "Mail", kStoreImage, true, std::nullopt}, nullptr);
    }

    FolderTree tree;
};

TEST_F(FolderTreeTest, NodesKeepWhatTheyWereGivenAndAreNumberedFromOne) {
    EXPECT_EQ(tree.headerItem()->text(0), "Mailbox Folders");
    QTreeWidgetItem* root = addRoot();
    QTreeWidgetItem* inbox = tree.addNode(
        {"Inbox", "Inbox (12)", kMailImage, true, store::FolderRef{"E1", "\\\\Mail\\Inbox"}}, root);
    tree.addNode(
        {"Empty", "Empty (0)", kNotesImage, false, store::FolderRef{"E2", "\\\\Mail\\Empty"}},
        inbox);

    ASSERT_EQ(tree.nodeCount(), 3);
    EXPECT_EQ(tree.node(1), root);
    EXPECT_EQ(tree.node(2), inbox);
    EXPECT_EQ(tree.node(3)->parent(), inbox);
    EXPECT_EQ(tree.key(2), "Inbox");
    EXPECT_EQ(tree.node(2)->text(0), "Inbox (12)");
    EXPECT_EQ(tree.folder(2), (store::FolderRef{"E1", "\\\\Mail\\Inbox"}));
    EXPECT_FALSE(tree.folder(1));
    EXPECT_EQ(tree.image(3), kNotesImage);
    EXPECT_TRUE(tree.hasItems(1));
    EXPECT_FALSE(tree.hasItems(3));
    EXPECT_EQ(tree.node(0), nullptr);
    EXPECT_EQ(tree.node(4), nullptr);
    EXPECT_FALSE(tree.folder(4));
}

TEST_F(FolderTreeTest, CheckStateOneIsTickedAndEveryOtherValueIsNot) {
    addRoot();
    EXPECT_EQ(tree.checkState(1), 0) << "a new node is not ticked";
    EXPECT_TRUE(tree.node(1)->flags() & Qt::ItemIsUserCheckable);
    tree.setCheckState(1, 1);
    EXPECT_EQ(tree.checkState(1), 1);
    EXPECT_EQ(tree.node(1)->checkState(0), Qt::Checked);
    tree.setCheckState(1, -1);
    EXPECT_EQ(tree.checkState(1), 0);
    // The user's tick through the check box reads the same way.
    tree.node(1)->setCheckState(0, Qt::Checked);
    EXPECT_EQ(tree.checkState(1), 1);
}

TEST_F(FolderTreeTest, DuplicateKeysAreAcceptedAndClearRemovesEverything) {
    QTreeWidgetItem* root = addRoot();
    QTreeWidgetItem* first =
        tree.addNode({"Inbox", "Inbox (1)", kMailImage, true, store::FolderRef{"A", ""}}, root);
    QTreeWidgetItem* second =
        tree.addNode({"Inbox", "Inbox (2)", kMailImage, true, store::FolderRef{"B", ""}}, first);
    EXPECT_EQ(tree.nodeCount(), 3);
    EXPECT_EQ(second->parent(), first);
    tree.removeAllNodes();
    EXPECT_EQ(tree.nodeCount(), 0);
    EXPECT_EQ(tree.topLevelItemCount(), 0);
    EXPECT_EQ(tree.node(1), nullptr);
}

TEST_F(FolderTreeTest, ImagesComeFromTheListByIndex) {
    addRoot();
    tree.addNode({"Odd", "Odd (0)", 75, false, store::FolderRef{"X", ""}}, tree.node(1));
    tree.addNode({"Far", "Far (0)", 500, false, store::FolderRef{"Y", ""}}, tree.node(1));
    EXPECT_TRUE(tree.node(1)->icon(0).isNull()) << "no image list yet";
    tree.setImageList(smallIcons());
    EXPECT_FALSE(tree.node(1)->icon(0).isNull()) << "nodes added before the list show it too";
    EXPECT_TRUE(tree.node(2)->icon(0).isNull()) << "slot 75 holds no picture";
    EXPECT_TRUE(tree.node(3)->icon(0).isNull()) << "index outside the list";
}

TEST(SmallIconsTest, HoldsSeventySixSlotsAndDrawsTheTreesPictures) {
    test::qtApplication();
    const ImageList icons = smallIcons();
    ASSERT_EQ(icons.size(), 76u);
    for (int index : {kStoreImage, kMailImage, kTasksImage, kCalendarImage, kContactsImage,
                      kJournalImage, kNotesImage}) {
        const QImage picture = icons[static_cast<std::size_t>(index)].pixmap(16, 16).toImage();
        ASSERT_EQ(picture.size(), QSize(16, 16)) << index;
        int drawn = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) drawn += qAlpha(picture.pixel(x, y)) > 0;
        }
        EXPECT_GT(drawn, 60) << "picture " << index << " is (nearly) empty";
    }
    EXPECT_TRUE(icons[1].isNull());
}

}  // namespace
}  // namespace pellmark::gui
