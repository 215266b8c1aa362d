// The whole program, offscreen: a .pst opened through the file path, one folder unticked, and
// a conversion to each of the seven formats, checked on disk.

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <filesystem>
#include <ostream>
#include <string_view>

#include "gui/conversion/ConversionWindow.h"
#include "gui/foldertree/FolderTree.h"
#include "gui/mainwindow/MainWindow.h"
#include "pststore/PstSession.h"
#include "pstwriter/messaging/ItemKinds.h"
#include "pstwriter/messaging/PstBuilder.h"
#include "support/TestFiles.h"
#include "support/gui/QtApplication.h"
#include "support/gui/ScriptedDialogs.h"

namespace pellmark::gui {
namespace {

namespace fs = std::filesystem;

struct Format {
    const char* option;
    const char* extension;
    std::string_view beginning;  // what every file of the format starts with
    std::string_view holds;      // and what it holds
};

using namespace std::string_view_literals;

const Format kFormats[] = {
    // An OLE compound file, with its root entry named in UTF-16.
    {"OptMSG", ".msg", "\xD0\xCF\x11\xE0"sv, "R\0o\0o\0t\0 \0E\0n\0t\0r\0y"sv},
    {"OptEML", ".eml", "", "\nMIME-Version: 1.0"},
    {"OptVCF", ".vcf", "BEGIN:VCARD", "END:VCARD"},
    {"OptTXT", ".txt", "", "Subject:\t"},
    {"OptRTF", ".rtf", "{\\rtf", "Subject"},
    {"OptHTML", ".html", "", "</html>"},
    {"OptMHT", ".mht", "", "Content-Type: multipart/related"},
};

void writeMailbox(const fs::path& path) {
    pstwriter::PstBuilder b;
    b.options().storeName = "Mail";
    auto& inbox = b.root().addFolder("Inbox", "IPF.Note");
    inbox.addMessage().setSubject("Hello").setSender("Ann Lee", "ann@example.org").setBody("Hi");
    inbox.addMessage()
        .setSubject("Report: Q1")
        .setBody("See attached")
        .addAttachment("numbers.csv", pstwriter::ByteVec{'1', ',', '2', '\n'});
    b.root().addFolder("Junk", "IPF.Note").addMessage().setSubject("Offer");
    auto& contacts = b.root().addFolder("Contacts", "IPF.Contact");
    pstwriter::ContactInfo ann;
    ann.givenName = "Ann";
    ann.surname = "Lee";
    ann.emails = {"ann@example.org"};
    pstwriter::addContact(contacts, ann);
    pstwriter::DistListMember member;
    member.name = "Ann Lee";
    member.email = "ann@example.org";
    pstwriter::addDistList(contacts, "Team", {member});
    b.write(path);
}

std::vector<fs::path> filesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    if (!fs::is_directory(folder)) return files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

class WholeProgramTest : public ::testing::TestWithParam<Format> {
  protected:
    WholeProgramTest() {
        test::qtApplication();
        writeMailbox(dir / "mail.pst");
    }

    template <class W = QWidget>
    W* control(QWidget& window, const char* name) {
        W* found = window.findChild<W*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    test::TempDir dir;
};

TEST_P(WholeProgramTest, ConvertsTheTickedFoldersOfAPstFile) {
    const Format& format = GetParam();
    pststore::PstSessionFactory sessions(dir / "no-profile");
    test::ScriptedDialogs dialogs;
    MainWindow window(sessions, dialogs.dialogs());
    window.show();

    control<QRadioButton>(window, "OptOtherPST")->click();
    dialogs.fileDialog.queuePath(QString::fromStdString((dir / "mail.pst").string()));
    control<QPushButton>(window, "CmdBrowse")->click();
    control<QPushButton>(window, "CmdExportOther")->click();
    auto* tree = control<FolderTree>(window, "OutlookFoldersTree");
    for (int i = 1; i <= tree->nodeCount(); ++i) {
        if (tree->key(i) == "Junk") tree->node(i)->setCheckState(0, Qt::Unchecked);
    }

    fs::create_directory(dir / "out");
    dialogs.folderBrowser.queuePath(QString::fromStdString((dir / "out").string()));
    QTimer::singleShot(0, [&] {
        auto* conversion = qobject_cast<ConversionWindow*>(QApplication::activeModalWidget());
        ASSERT_NE(conversion, nullptr) << "the conversion window did not open";
        control<QRadioButton>(*conversion, format.option)->click();
        control<QPushButton>(*conversion, "CmdConversion")->click();
    });
    control<QPushButton>(window, "CmdStartConversion")->click();

    ASSERT_EQ(dialogs.messageBox.shown().size(), 1u);
    EXPECT_EQ(dialogs.messageBox.shown()[0].title.toStdString(), "Export Complete")
        << dialogs.messageBox.shown()[0].text.toStdString();
    const fs::path root = dir / "out" / "Converted Outlook PST" / "Mail";
    EXPECT_FALSE(fs::exists(root / "Junk")) << "the unticked folder";

    const std::vector<fs::path> contacts = filesIn(root / "Contacts");
    ASSERT_EQ(contacts.size(), 1u) << "the contact, not the list";
    EXPECT_EQ(contacts[0].extension(), ".vcf");
    EXPECT_EQ(test::readFile(contacts[0]).rfind("BEGIN:VCARD", 0), 0u);

    const std::vector<fs::path> inbox = filesIn(root / "Inbox");
    if (std::string(format.extension) == ".vcf") {
        EXPECT_TRUE(inbox.empty()) << "vCards come from contact folders only";
        return;
    }
    std::size_t pages = 0;
    for (const fs::path& file : inbox) {
        if (file.extension() != format.extension) continue;
        ++pages;
        const std::string content = test::readFile(file);
        EXPECT_EQ(content.rfind(format.beginning, 0), 0u) << file;
        EXPECT_NE(content.find(format.holds), std::string::npos) << file;
    }
    EXPECT_EQ(pages, 2u);
    const bool attachmentBeside = fs::exists(root / "Inbox" / "numbers.csv");
    EXPECT_EQ(attachmentBeside, std::string(format.extension) == ".html");
}

void PrintTo(const Format& format, std::ostream* out) {
    *out << format.extension;
}

INSTANTIATE_TEST_SUITE_P(SevenFormats, WholeProgramTest, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.option).substr(3); });

}  // namespace
}  // namespace pellmark::gui
