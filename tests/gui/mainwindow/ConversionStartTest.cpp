#include "gui/mainwindow/ConversionStart.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <filesystem>

#include "gui/conversion/ConversionWindow.h"
#include "gui/mainwindow/BrowseForFolder.h"
#include "gui/mainwindow/PstFiles.h"
#include "pststore/PstSession.h"
#include "pstwriter/messaging/ItemKinds.h"
#include "pstwriter/messaging/PstBuilder.h"
#include "support/FakeStore.h"
#include "support/TestFiles.h"
#include "support/gui/TestWindow.h"

namespace pellmark::gui {
namespace {

namespace fs = std::filesystem;

// Presses `option` and Convert in the conversion window once it is open.
void convertWhenOpen(const char* option) {
    QTimer::singleShot(0, [option] {
        auto* window = qobject_cast<ConversionWindow*>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr) << "the conversion window is not open";
        window->findChild<QRadioButton*>(QLatin1String(option))->click();
        window->findChild<QPushButton*>(QStringLiteral("CmdConversion"))->click();
    });
}

class ConversionStartTest : public ::testing::Test {
  protected:
    ConversionStartTest()
        : factory(world),
          window(factory),
          start(*window.folderTree, selection, factory, window.dialogs.dialogs(),
                &window.MainWindow) {
        auto* root = tree().addNode({"Mail", "Mail", 0, true, std::nullopt}, nullptr);
        for (int i = 2; i <= 10; ++i) {
            tree().addNode(
                {"F", "F (0)", 2, false, store::FolderRef{"E" + std::to_string(i), "\\\\Mail\\F"}},
                root);
        }
    }

    FolderTree& tree() { return *window.folderTree; }
    const QStringList& prompts() { return window.dialogs.folderBrowser.prompts(); }

    test::FakeWorld world;
    test::FakeSessionFactory factory;
    test::TestWindow window;
    ConversionSelection selection;
    ConversionStart start;
};

TEST_F(ConversionStartTest, TicksBecomeFoldersInTreeOrderFollowedByEmptyEntries) {
    for (int index : {3, 7, 10}) tree().setCheckState(index, 1);
    start.start();  // the folder browser is cancelled
    auto folder = [](const char* id) { return store::FolderRef{id, "\\\\Mail\\F"}; };
    EXPECT_EQ(selection.folders,
              (std::vector<store::FolderRef>{
                  folder("E3"), folder("E7"), folder("E10"), {}, {}, {}, {}, {}, {}, {}, {}}));
    EXPECT_EQ(prompts(), QStringList{"Select Path to Save NSF File"});
    EXPECT_EQ(selection.exportRootPath, "");
    EXPECT_EQ(world.sessionsCreated, 0) << "no conversion window after a cancel";
    EXPECT_TRUE(window.dialogs.messageBox.shown().empty());
}

TEST_F(ConversionStartTest, NoTickedFolderAsksForOne) {
    tree().setCheckState(1, 1);  // the root alone is no folder
    start.start();
    tree().removeAllNodes();
    start.start();
    ASSERT_EQ(window.dialogs.messageBox.shown().size(), 2u);
    for (const auto& box : window.dialogs.messageBox.shown()) {
        EXPECT_EQ(box.text, "Please Select Folders to Export");
        EXPECT_EQ(box.title, "Export Outlook Folders to Lotus Notes");
        EXPECT_EQ(box.icon, MessageIcon::Information);
    }
    EXPECT_EQ(selection.folders, std::vector<store::FolderRef>{{}});
    EXPECT_TRUE(prompts().isEmpty());
}

TEST(BrowseForFolderTest, ReturnsThePickOrEmptyText) {
    struct Browser : FolderBrowser {
        QString answer;
        bool fail = false;
        QString browse(QWidget*, const QString&) override {
            if (fail) throw std::runtime_error("no dialog");
            return answer;
        }
    } browser;
    browser.answer = "/";
    EXPECT_EQ(browseForFolder(browser, nullptr, "p"), "/");
    browser.answer = QStringLiteral("/srv/out") + QChar(u'\0') + QStringLiteral("junk");
    EXPECT_EQ(browseForFolder(browser, nullptr, "p"), "/srv/out");
    browser.fail = true;
    EXPECT_EQ(browseForFolder(browser, nullptr, "p"), "");
}

TEST_F(ConversionStartTest, ARootCarryingATagIsAFolderToExport) {
    // The root stands for a folder only when the store's top folder holds items of its own.
    tree().removeAllNodes();
    tree().addNode({"Mail", "Mail", 0, true, store::FolderRef{"TOP", "\\\\Mail"}}, nullptr);
    tree().setCheckState(1, 1);
    start.start();
    EXPECT_TRUE(window.dialogs.messageBox.shown().empty());
    EXPECT_EQ(selection.folders, (std::vector<store::FolderRef>{{"TOP", "\\\\Mail"}, {}}));
}

// A mailbox of every shape the tree meets: nested folders, "#" in a name, a class in the wrong
// case with a folder below it, an empty folder, contacts, a class of no known kind, an IMAP
// folder and an item in the top folder itself.
void writeShapedMailbox(const fs::path& path) {
    pstwriter::PstBuilder b;
    b.options().storeName = "Shapes";
    b.root().addMessage().setSubject("Loose").setBody("at the top");
    b.root().addFolder("Imap", "IPF.Imap").addMessage().setSubject("Fetched").setBody("i");
    auto& inbox = b.root().addFolder("Inbox", "IPF.Note");
    inbox.addMessage().setSubject("First").setBody("one");
    inbox.addMessage().setSubject("Second").setBody("two");
    inbox.addFolder("Projects #1", "IPF.Note").addMessage().setSubject("Plan").setBody("p");
    b.root()
        .addFolder("Odd", "IPF.note")
        .addFolder("Kept", "IPF.Note")
        .addMessage()
        .setSubject("Kept item");
    b.root().addFolder("Empty", "IPF.Note");
    pstwriter::ContactInfo ann;
    ann.givenName = "Ann";
    ann.surname = "Lee";
    pstwriter::addContact(b.root().addFolder("Contacts", "IPF.Contact"), ann);
    b.root().addFolder("Feeds", "IPF.Custom").addMessage().setSubject("Feed item").setBody("f");
    b.write(path);
}

// From a .pst file through the tree and the start command to files on disk.
TEST(ConversionStartWholePathTest, ExportsTheTickedFoldersOfAPstFile) {
    test::TempDir dir;
    writeShapedMailbox(dir / "shapes.pst");
    pststore::PstSessionFactory sessions(dir / "no-profile");
    test::TestWindow window(sessions);
    MailboxFolderDisplay display(window.parts);
    PstFiles source(window.parts, display);
    window.dialogs.fileDialog.queuePath(QString::fromStdString((dir / "shapes.pst").string()));
    source.browse();
    source.openPstFile();

    FolderTree& tree = *window.folderTree;
    EXPECT_EQ(window.treeOutline(),
              "Shapes\n"
              "  Imap (1)\n"
              "  Inbox (2)\n"
              "    Projects #1 (1)\n"
              "  Odd (0)\n"
              "    Kept (1)\n"
              "  Empty (0)\n"
              "  Contacts (1)\n"
              "  Feeds (1)\n"
              "  Deleted Items (0)\n");
    ASSERT_TRUE(window.allTicked());
    for (int i = 1; i <= tree.nodeCount(); ++i) {
        if (tree.key(i) == "Inbox") tree.setCheckState(i, 0);
    }

    ConversionSelection selection;
    selection.storeId = window.storeId;
    ConversionStart start(tree, selection, sessions, window.dialogs.dialogs(), &window.MainWindow);
    window.dialogs.folderBrowser.queuePath(QString::fromStdString((dir / "out").string()));
    fs::create_directory(dir / "out");
    convertWhenOpen("OptTXT");
    start.start();

    ASSERT_EQ(window.dialogs.messageBox.shown().size(), 1u);
    EXPECT_EQ(window.dialogs.messageBox.shown()[0].title.toStdString(), "Export Complete")
        << window.dialogs.messageBox.shown()[0].text.toStdString();
    const fs::path root = dir / "out" / "Converted Outlook PST" / "Shapes";
    const auto files = [](const fs::path& folder) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
        }
        return names;
    };
    EXPECT_EQ(files(root / "Inbox"), std::vector<std::string>{}) << "Inbox itself was unticked";
    ASSERT_EQ(files(root).size(), 1u) << "the top folder's item, with the root ticked";
    EXPECT_EQ(files(root)[0].rfind("Loose", 0), 0u);
    EXPECT_EQ(files(root / "Imap").size(), 1u);
    ASSERT_EQ(files(root / "Inbox" / "Projects #1").size(), 1u);
    EXPECT_EQ(files(root / "Inbox" / "Projects #1")[0].rfind("Plan", 0), 0u);
    ASSERT_EQ(files(root / "Odd" / "Kept").size(), 1u);
    EXPECT_TRUE(fs::is_directory(root / "Empty"));
    ASSERT_EQ(files(root / "Contacts").size(), 1u);
    EXPECT_EQ(fs::path(files(root / "Contacts")[0]).extension(), ".vcf") << "contacts always";
    EXPECT_EQ(files(root / "Feeds").size(), 1u) << "a folder of no known kind, as mail";
    EXPECT_TRUE(selection.folders.empty());
}

}  // namespace
}  // namespace pellmark::gui
