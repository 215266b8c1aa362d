// Data files opened through the window's other-file option over the real reader: what the user
// is told of a file that does not open, and an opened file kept as a configured mailbox.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>

#include "gui/foldertree/FolderTree.h"
#include "gui/mainwindow/MainWindow.h"
#include "pststore/Profile.h"
#include "pststore/PstSession.h"
#include "pstwriter/messaging/PstBuilder.h"
#include "support/TestFiles.h"
#include "support/gui/QtApplication.h"
#include "support/gui/ScriptedDialogs.h"

namespace pellmark::gui {
namespace {

namespace fs = std::filesystem;

struct WithApplication {
    WithApplication() { test::qtApplication(); }
};

class OpeningFilesTest : public ::testing::Test, WithApplication {
  protected:
    OpeningFilesTest() {
        pstwriter::PstBuilder builder;
        builder.options().storeName = "Mail";
        builder.root().addFolder("Inbox", "IPF.Note");
        builder.write(dir / "mail.pst");
        test::writeFile(dir / "notes.txt", "Shopping: milk, bread\n");
        window.show();
    }

    template <class W = QWidget>
    W& control(const char* name) {
        W* found = window.findChild<W*>(QLatin1String(name));
        if (!found) throw std::runtime_error(std::string("no control ") + name);
        return *found;
    }
    void openThroughBrowse(const fs::path& file) {
        control<QRadioButton>("OptOtherPST").click();
        dialogs.fileDialog.queuePath(QString::fromStdString(file.string()));
        control<QPushButton>("CmdBrowse").click();
        control<QPushButton>("CmdExportOther").click();
    }

    test::TempDir dir;
    pststore::PstSessionFactory sessions{dir / "config/profile", pststore::AddedFiles::Kept};
    test::ScriptedDialogs dialogs;
    MainWindow window{sessions, dialogs.dialogs()};
};

TEST_F(OpeningFilesTest, AFileThatDoesNotOpenIsNamedWithTheReadersReason) {
    const struct {
        fs::path file;
        const char* reason;
    } cases[] = {{dir / "notes.txt", "the file does not start with the PST signature"},
                 {dir / "gone.pst", "No such file or directory"}};
    for (const auto& [file, reason] : cases) {
        const std::size_t before = dialogs.messageBox.shown().size();
        openThroughBrowse(file);
        ASSERT_EQ(dialogs.messageBox.shown().size(), before + 1) << file;
        const QString text = dialogs.messageBox.shown().back().text;
        EXPECT_TRUE(text.contains(QString::fromStdString(file.string()))) << text.toStdString();
        EXPECT_TRUE(text.contains(QLatin1String(reason))) << text.toStdString();
        EXPECT_FALSE(control<QPushButton>("CmdStartConversion").isEnabled());
    }
    EXPECT_FALSE(fs::exists(dir / "config/profile")) << "only files that open are kept";
}

TEST_F(OpeningFilesTest, AnOpenedFileIsAConfiguredMailboxFromThenOn) {
    openThroughBrowse(dir / "mail.pst");
    EXPECT_TRUE(dialogs.messageBox.shown().empty());
    EXPECT_GT(control<FolderTree>("OutlookFoldersTree").nodeCount(), 1) << "the folders shown";
    openThroughBrowse(dir / "mail.pst");
    EXPECT_EQ(pststore::readProfile(dir / "config/profile"),
              std::vector<std::string>{(dir / "mail.pst").string()})
        << "listed once";

    control<QRadioButton>("OptConfiguredPST").click();
    control<QPushButton>("CmdExportConfigured").click();
    auto& list = control<QComboBox>("CmbOutlookStores");
    ASSERT_EQ(list.count(), 1);
    EXPECT_TRUE(list.itemText(0).startsWith("Mail   "));
    EXPECT_TRUE(dialogs.messageBox.shown().empty());
}

}  // namespace
}  // namespace pellmark::gui
