#include "gui/foldertree/FolderNodes.h"

#include <gtest/gtest.h>

#include "gui/foldertree/SmallIcons.h"
#include "support/FakeStore.h"
#include "support/gui/QtApplication.h"

namespace pellmark::gui {
namespace {

using test::fakeFolder;
using test::fakeMail;

test::FakeFolder folderOf(const std::string& name, const std::string& cls, int items = 0) {
    test::FakeFolder folder = fakeFolder(name);
    folder.defaultMessageClass = cls;
    for (int i = 0; i < items; ++i) folder.items.push_back(fakeMail("m" + std::to_string(i)));
    return folder;
}

// Made before the fixture's widgets.
struct WithApplication {
    WithApplication() { test::qtApplication(); }
};

class FolderNodesTest : public ::testing::Test, WithApplication {
  protected:
    FolderNodesTest() : factory(world) { data = &world.addStore("Personal Folders", "S1"); }

    // Walks below the store's root folder as a fill does: root node, then every folder.
    void walkAll() {
        session = factory.create();
        store = session->storeFromId("S1");
        QTreeWidgetItem* root =
            tree.addNode({"Personal Folders", "Personal Folders", 0, true, std::nullopt}, nullptr);
        FolderNodes walk(tree, [this] { ++yields; });
        auto top = store->rootFolder();
        walk.addSubfolders(*top, root);
    }

    std::string outline() const {
        std::string text;
        for (int i = 1; i <= tree.nodeCount(); ++i) {
            int depth = 0;
            for (auto* up = tree.node(i)->parent(); up; up = up->parent()) ++depth;
            text += std::string(2 * static_cast<std::size_t>(depth), ' ') +
                    tree.node(i)->text(0).toStdString() + "\n";
        }
        return text;
    }

    test::FakeWorld world;
    test::FakeSessionFactory factory;
    test::FakeStoreData* data;
    std::unique_ptr<store::Session> session;
    std::unique_ptr<store::Store> store;
    FolderTree tree;
    int yields = 0;
};

TEST_F(FolderNodesTest, DepthFirstEachFolderBeforeItsSubfoldersSiblingsInStoreOrder) {
    test::FakeFolder inbox = folderOf("Inbox", "IPM.Note", 12);
    inbox.subfolders.push_back(folderOf("Work", "IPM.Note", 3));
    inbox.subfolders[0].subfolders.push_back(folderOf("Old", "IPM.Note"));
    inbox.subfolders.push_back(folderOf("Home", "IPM.Note", 1));
    data->root.subfolders = {inbox,
                             folderOf("Contacts", "IPM.Contact", 2),
                             folderOf("Calendar", "IPM.Appointment"),
                             folderOf("Journal", "IPM.Journal"),
                             folderOf("Notes", "IPM.StickyNote"),
                             folderOf("Tasks", "IPM.Task", 4)};
    walkAll();
    EXPECT_EQ(outline(),
              "Personal Folders\n"
              "  Inbox (12)\n"
              "    Work (3)\n"
              "      Old (0)\n"
              "    Home (1)\n"
              "  Contacts (2)\n"
              "  Calendar (0)\n"
              "  Journal (0)\n"
              "  Notes (0)\n"
              "  Tasks (4)\n");
    EXPECT_EQ(tree.folder(2), (store::FolderRef{"F-Inbox", "\\\\Personal Folders\\Inbox"}));
    EXPECT_EQ(tree.folder(4),
              (store::FolderRef{"F-Old", "\\\\Personal Folders\\Inbox\\Work\\Old"}));
    EXPECT_EQ(tree.key(3), "Work");
    const int images[] = {kStoreImage,    kMailImage,     kMailImage,    kMailImage,  kMailImage,
                          kContactsImage, kCalendarImage, kJournalImage, kNotesImage, kTasksImage};
    for (int i = 1; i <= 10; ++i) EXPECT_EQ(tree.image(i), images[i - 1]) << i;
    EXPECT_TRUE(tree.hasItems(2));
    EXPECT_FALSE(tree.hasItems(4)) << "an empty folder";
    EXPECT_EQ(yields, 9) << "one yield after every folder";
}

// A folder is never left out of the tree for its class: one of no known kind is a mail folder,
// and the known kinds are told by family in any letter case.
TEST_F(FolderNodesTest, FoldersOfEveryClassGetANodeThoseOfNoKnownKindAsMail) {
    test::FakeFolder odd = folderOf("Odd", "IPM.note");
    odd.subfolders.push_back(folderOf("Kept", "IPM.Note", 1));
    test::FakeFolder blank = folderOf("Blank", "", 2);
    blank.subfolders.push_back(folderOf("Deeper", "IPM.Custom"));
    blank.subfolders[0].subfolders.push_back(folderOf("Found", "IPM.Task"));
    test::FakeFolder inbox = folderOf("Inbox", "IPM.Note");
    inbox.subfolders.push_back(folderOf("Posts", "IPM.Post", 1));
    inbox.subfolders[0].subfolders.push_back(folderOf("Below posts", "IPM.Note"));
    data->root.subfolders = {odd, blank, inbox, folderOf("People", "ipm.CONTACT.Custom")};
    walkAll();
    EXPECT_EQ(outline(),
              "Personal Folders\n"
              "  Odd (0)\n"
              "    Kept (1)\n"
              "  Blank (2)\n"
              "    Deeper (0)\n"
              "      Found (0)\n"
              "  Inbox (0)\n"
              "    Posts (1)\n"
              "      Below posts (0)\n"
              "  People (0)\n");
    const int images[] = {kStoreImage, kMailImage, kMailImage, kMailImage, kMailImage,
                          kTasksImage, kMailImage, kMailImage, kMailImage, kContactsImage};
    for (int i = 1; i <= 10; ++i) EXPECT_EQ(tree.image(i), images[i - 1]) << i;
    EXPECT_EQ(tree.folder(8), (store::FolderRef{"F-Posts", "\\\\Personal Folders\\Inbox\\Posts"}));
    EXPECT_TRUE(tree.hasItems(4));
}

TEST_F(FolderNodesTest, NamesWithHashKeepTheEntryIdBeforeTheFirstHash) {
    test::FakeFolder sharp = folderOf("C# #notes", "IPM.Note", 2);
    sharp.entryId = "00000000ABCD";
    data->root.subfolders = {sharp};
    walkAll();
    // A folder name may hold '#': the reference keeps the entry id and the path apart.
    EXPECT_EQ(tree.folder(2),
              (store::FolderRef{"00000000ABCD", "\\\\Personal Folders\\C# #notes"}));
    EXPECT_EQ(tree.node(2)->text(0), "C# #notes (2)");
}

TEST_F(FolderNodesTest, NoSubfoldersAddsNothing) {
    walkAll();
    EXPECT_EQ(tree.nodeCount(), 1);
    EXPECT_EQ(yields, 0);
}

TEST_F(FolderNodesTest, AFolderThatCannotBeReadIsPassedOverAndNamed) {
    test::FakeFolder inbox = folderOf("Inbox", "IPM.Note");
    inbox.subfolders.push_back(folderOf("Fine", "IPM.Note"));
    inbox.subfolders.push_back(folderOf("Broken", "IPM.Note"));
    inbox.subfolders[1].failCount = true;
    inbox.subfolders.push_back(folderOf("Never", "IPM.Note"));
    test::FakeFolder unreadable = folderOf("Locked", "IPM.Note");
    unreadable.failFolders = true;
    data->root.subfolders = {inbox, unreadable};
    walkAll();
    EXPECT_EQ(outline(),
              "Personal Folders\n  Inbox (0)\n    Fine (0)\n    Never (0)\n  Locked (0)\n");
    ASSERT_EQ(tree.unreadFolders().size(), 2u);
    EXPECT_EQ(tree.unreadFolders()[0].path, "Personal Folders\\Inbox\\Broken");
    EXPECT_EQ(tree.unreadFolders()[1].path, "Personal Folders\\Locked");
    EXPECT_NE(tree.unreadFolders()[1].reason.find("subfolders"), std::string::npos);
}

TEST_F(FolderNodesTest, AFolderMetTwiceIsWalkedOnce) {
    // A damaged file may list one folder in two places, or inside itself.
    test::FakeFolder inbox = folderOf("Inbox", "IPM.Note");
    inbox.subfolders.push_back(folderOf("Shared", "IPM.Note"));
    inbox.subfolders[0].subfolders.push_back(folderOf("Below", "IPM.Note"));
    test::FakeFolder again = inbox.subfolders[0];
    data->root.subfolders = {inbox, again};
    walkAll();
    EXPECT_EQ(outline(), "Personal Folders\n  Inbox (0)\n    Shared (0)\n      Below (0)\n");
}

}  // namespace
}  // namespace pellmark::gui
