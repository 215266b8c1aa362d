#include "export/OutputNaming.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <set>

#include "export/OutputDirectories.h"
#include "export/Random.h"
#include "formats/OutputFormats.h"
#include "store/SaveFormat.h"
#include "support/TestFiles.h"

namespace pellmark::exporting {
namespace {

TEST(fileStem, RemovesTheNineCharactersAndNothingElse) {
    EXPECT_EQ(fileStem("Re: report 3/4 final?"), "Re report 34 final");
    EXPECT_EQ(fileStem("a:b?c\\d/e*f\"g<h>i|j"), "abcdefghij");
    EXPECT_EQ(fileStem(":?\\/*\"<>|"), "");
    EXPECT_EQ(fileStem("  Leading and trailing  "), "  Leading and trailing  ");
    EXPECT_EQ(fileStem(" "), " ");
    EXPECT_EQ(fileStem("Grüße #1 .. ."), "Grüße #1 .. .");
}

TEST(fileStem, ReplacesControlCharactersAndHidesNothing) {
    EXPECT_EQ(fileStem(std::string("a\0b\tc\x7f", 6)), "a_b_c_");
    // A right-to-left override would show "Invoice\u202Efdp.exe" as "Invoiceexe.pdf".
    EXPECT_EQ(fileStem("Invoice\u202Efdp.exe"), "Invoicefdp.exe");
    EXPECT_EQ(fileStem("zero\u200Bwidth\uFEFF"), "zerowidth");
    EXPECT_EQ(fileStem(".hidden"), "_.hidden");
}

TEST(CutToBytes, NeverSplitsAUtf8Character) {
    const std::string text = "aé€😀";  // 1 + 2 + 3 + 4 bytes
    EXPECT_EQ(cutToBytes(text, 10), text);
    EXPECT_EQ(cutToBytes(text, 9), "aé€");
    EXPECT_EQ(cutToBytes(text, 5), "aé");
    EXPECT_EQ(cutToBytes(text, 2), "a");
    EXPECT_EQ(cutToBytes(text, 0), "");
}

TEST(SafeNames, HostileDirectoryNamesStayOneComponent) {
    EXPECT_EQ(safeDirectoryName(".."), "___");
    EXPECT_EQ(safeDirectoryName("."), "__");
    EXPECT_EQ(safeDirectoryName(""), "_");
    EXPECT_EQ(safeDirectoryName("a/../../b"), "a_.._.._b");
    EXPECT_EQ(safeDirectoryName(std::string(300, 'x')).size(), kMaxNameBytes);
}

// Names that a copy of the export onto a Windows file system (a USB stick) would lose, hide or
// merge.
TEST(SafeNames, EveryNameSurvivesAWindowsFileSystem) {
    EXPECT_EQ(safeDirectoryName("Mail: 2024 <old>"), "Mail_ 2024 _old_");
    EXPECT_EQ(safeDirectoryName("a*b?c|d\"e\\f"), "a_b_c_d_e_f");
    EXPECT_EQ(safeDirectoryName("Notes. "), "Notes__");
    EXPECT_EQ(safeDirectoryName(".git"), "_.git");
    EXPECT_EQ(safeDirectoryName("con"), "_con");
    EXPECT_EQ(safeAttachmentName("NUL.txt"), "_NUL.txt");
    EXPECT_EQ(safeAttachmentName("COM1"), "_COM1");
    EXPECT_EQ(safeAttachmentName("COM10"), "COM10");
    EXPECT_EQ(safeAttachmentName("photo\u202Egnp.exe"), "photognp.exe");
    EXPECT_EQ(safeAttachmentName(".bashrc"), "_.bashrc");
    int32_t number = 0;
    EXPECT_EQ(itemFileName("COM", ".eml", 0, number, [] { return 1; }), "_COM1.eml");
}

TEST(SafeNames, AttachmentNamesKeepTheirExtensionWhenCut) {
    EXPECT_EQ(safeAttachmentName("../../etc/passwd"), "_.._.._etc_passwd");
    EXPECT_EQ(safeAttachmentName(".."), "___");
    const std::string cut = safeAttachmentName(std::string(400, 'a') + ".pdf");
    EXPECT_EQ(cut.size(), kMaxNameBytes);
    EXPECT_EQ(cut.substr(cut.size() - 4), ".pdf");
    EXPECT_EQ(numberedName("report.final.pdf", 2), "report.final (2).pdf");
    EXPECT_EQ(numberedName("README", 3), "README (3)");
    EXPECT_EQ(numberedName(".profile", 2), ".profile (2)");
}

TEST(ExportRoot, AddsTheDirectoryWithoutDoublingTheSeparator) {
    EXPECT_EQ(exportRootFor("/home/u/Out"), "/home/u/Out/Converted Outlook PST/");
    EXPECT_EQ(exportRootFor("/home/u/Out/"), "/home/u/Out/Converted Outlook PST/");
    EXPECT_EQ(exportRootFor("/"), "/Converted Outlook PST/");
    EXPECT_EQ(exportRootFor("  /srv/x  "), "/srv/x  /Converted Outlook PST/");
}

TEST(ItemFileName, StemNumberExtensionThenSuffixesWhenDrawsRunOut) {
    int draws = 0;
    auto draw = [&] { return ++draws * 10; };
    int32_t number = 0;
    EXPECT_EQ(itemFileName("Hello", ".html", 0, number, draw), "Hello10.html");
    EXPECT_EQ(itemFileName("Hello", ".html", 1, number, draw), "Hello20.html");
    for (int attempt = 2; attempt < kNumberDraws; ++attempt) {
        itemFileName("", "", attempt, number, draw);
    }
    EXPECT_EQ(itemFileName("Hello", ".html", kNumberDraws, number, draw), "Hello50 (2).html");
    EXPECT_EQ(itemFileName("Hello", ".html", kNumberDraws + 1, number, draw), "Hello50 (3).html");
    EXPECT_EQ(draws, kNumberDraws);
    EXPECT_EQ(itemFileName("", ".txt", 0, number, draw), "60.txt");
}

TEST(ItemFileName, LongStemsAreCutToFitNotLost) {
    int32_t number = 0;
    std::string longStem;
    for (int i = 0; i < 200; ++i) longStem += "é";  // 400 bytes
    const std::string name = itemFileName(longStem, ".html", 0, number, [] { return 40000; });
    EXPECT_LE(name.size(), kMaxNameBytes);
    EXPECT_EQ(name.substr(name.size() - 10), "40000.html");
    EXPECT_EQ(name.substr(0, 6), "ééé");
    EXPECT_EQ((name.size() - 10) % 2, 0u) << "cut inside a character";
}

TEST(Global, RandomBetweenStaysInRange) {
    std::set<int32_t> seen;
    for (int i = 0; i < 200000; ++i) {
        const int32_t n = randomBetween(1, 40000);
        ASSERT_GE(n, 1);
        ASSERT_LE(n, 40000);
        seen.insert(n);
    }
    EXPECT_GT(seen.size(), 30000u);
    EXPECT_EQ(randomBetween(7, 7), 7);
}

TEST(OutputDirectories, OneSafeDirectoryPerNameOfTheFolderPath) {
    test::TempDir dir;
    const std::string root = dir.path().string() + "/";
    OutputDirectories directories(root);
    EXPECT_EQ(directories.forFolder(store::pathStepsOf("\\\\Personal Folders\\Inbox")).path,
              root + "Personal Folders/Inbox/");
    EXPECT_EQ(directories.forFolder(store::pathStepsOf("\\\\Store\\..\\..\\etc")).path,
              root + "Store/___/___/etc/");
    EXPECT_EQ(directories.forFolder(store::pathStepsOf("\\\\Store\\a/b\\#1")).path,
              root + "Store/a_b/#1/");
    EXPECT_EQ(directories.forFolder(store::pathStepsOf("\\\\Store\\\\x")).path,
              root + "Store/_/x/");
    EXPECT_EQ(directories.forFolder(store::pathStepsOf("\\\\")).path, root);
    EXPECT_TRUE(std::filesystem::is_directory(root + "Store/___/___/etc"));
}

// An HTML page's attachment named like a subfolder took that name first.
TEST(OutputDirectories, ADirectoryNeverTakesAFilesName) {
    test::TempDir dir;
    const std::string root = dir.path().string() + "/";
    std::filesystem::create_directories(dir / "Store" / "Inbox");
    test::writeFile(dir / "Store" / "Inbox" / "Projects", "an attachment");
    OutputDirectories directories(root);
    EXPECT_EQ(directories.forFolder(store::pathStepsOf("\\\\Store\\Inbox\\Projects")).path,
              root + "Store/Inbox/Projects (2)/");
    EXPECT_EQ(directories.forFolder(store::pathStepsOf("\\\\Store\\Inbox\\Projects\\2024")).path,
              root + "Store/Inbox/Projects (2)/2024/")
        << "the folders below follow it";
    EXPECT_EQ(test::readFile(dir / "Store" / "Inbox" / "Projects"), "an attachment");
}

// Two sibling folders of one name, or of names that differ in letter case only, a name holding
// "\" and a link in place of a directory: each folder a real directory of its own.
TEST(OutputDirectories, EveryFolderADirectoryOfItsOwn) {
    test::TempDir dir;
    const std::string root = dir.path().string() + "/";
    std::filesystem::create_directories(dir / "elsewhere");
    std::filesystem::create_directories(dir / "S");
    std::filesystem::create_directory_symlink(dir / "elsewhere", dir / "S" / "Linked");
    OutputDirectories directories(root);
    auto path = [&](std::vector<store::PathStep> steps) {
        return directories.forFolder(steps).path;
    };
    const store::PathStep s{"S", "1"};
    EXPECT_EQ(path({s, {"Inbox", "2"}}), root + "S/Inbox/");
    EXPECT_EQ(path({s, {"inbox", "3"}}), root + "S/inbox (2)/");
    EXPECT_EQ(path({s, {"Inbox", "4"}}), root + "S/Inbox (3)/");
    EXPECT_EQ(path({s, {"Inbox", "2"}, {"Sub", "5"}}), root + "S/Inbox/Sub/");
    EXPECT_EQ(path({s, {"Inbox", "4"}, {"Sub", "6"}}), root + "S/Inbox (3)/Sub/");
    EXPECT_EQ(path({s, {"a\\b", "7"}}), root + "S/a_b/");
    EXPECT_EQ(path({s, {"Linked", "8"}}), root + "S/Linked (2)/");
    EXPECT_TRUE(std::filesystem::is_empty(dir / "elsewhere"));
    // A path that cannot tell the folders apart is the folder of its name.
    EXPECT_EQ(path({{"S", ""}, {"Inbox", ""}}), root + "S/Inbox/");
    EXPECT_TRUE(directories.forFolder({s, {"Fresh", "9"}}).fresh);
    EXPECT_FALSE(OutputDirectories(root).forFolder({s, {"Fresh", "9"}}).fresh);
}

TEST(OutputDirectories, FailuresSayWhy) {
    test::TempDir dir;
    test::writeFile(dir / "file", "x");
    try {
        makeDirectories((dir / "file" / "sub").string());
        FAIL() << "a directory below a file";
    } catch (const WriteError& error) {
        EXPECT_NE(std::string(error.what()).find("Not a directory"), std::string::npos)
            << error.what();
    }
    std::filesystem::create_directory(dir / "locked");
    std::filesystem::permissions(
        dir / "locked", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    if (::geteuid() != 0) {  // root writes anywhere
        OutputDirectories locked((dir / "locked").string());
        EXPECT_THROW(locked.forFolder(store::pathStepsOf("\\\\Store")), WriteError);
    }
}

// One table names every output: its name, extension and save code, its container.
TEST(OutputFormats, NamesCodesExtensionsAndContainers) {
    using formats::Container;
    using store::SaveFormat;
    EXPECT_EQ(formats::outputFormatNamed("HTML")->save, SaveFormat::Html);
    EXPECT_EQ(formats::outputFormatNamed(".vcf")->extension, ".vcf");
    EXPECT_EQ(formats::outputFormatNamed("maildir")->container, Container::Maildir);
    EXPECT_EQ(formats::outputFormatNamed("mbox")->save, SaveFormat::Eml);
    for (const char* unknown : {"odt", "", "."}) EXPECT_FALSE(formats::outputFormatNamed(unknown));
    EXPECT_EQ(formats::outputFormatNamed("PDF")->save, SaveFormat::Pdf);
    EXPECT_EQ(&formats::outputFormatOf(SaveFormat::Eml), formats::outputFormatNamed("eml"));
    EXPECT_EQ(static_cast<int>(SaveFormat::Mht), 1027);
    EXPECT_EQ(formats::outputFormatNames(),
              "msg, eml, txt, vcf, rtf, html, mht, mbox, maildir, ics or pdf");
    int inWindow = 0;
    for (const auto& f : formats::outputFormats()) {
        inWindow += f.inWindow;
        EXPECT_TRUE(f.writer || f.fileWriter) << f.name;
        EXPECT_EQ(f.attachmentsBeside, f.save == SaveFormat::Html) << f.name;
        EXPECT_LE(f.description.size(), 60u) << f.name << ": one line of --help";
    }
    EXPECT_EQ(inWindow, 7);
}

}  // namespace
}  // namespace pellmark::exporting
