#include "convert/OutputNaming.h"

#include <gtest/gtest.h>

#include <set>

#include "convert/ExportFormat.h"
#include "convert/Global.h"
#include "support/TestFiles.h"

namespace pellmark::convert {
namespace {

TEST(FileStem, RemovesTheNineCharactersAndNothingElse) {
    EXPECT_EQ(FileStem("Re: report 3/4 final?"), "Re report 34 final");
    EXPECT_EQ(FileStem("a:b?c\\d/e*f\"g<h>i|j"), "abcdefghij");
    EXPECT_EQ(FileStem(":?\\/*\"<>|"), "");
    EXPECT_EQ(FileStem("  Leading and trailing  "), "  Leading and trailing  ");
    EXPECT_EQ(FileStem(" "), " ");
    EXPECT_EQ(FileStem("Grüße #1 .. ."), "Grüße #1 .. .");
}

TEST(FileStem, ReplacesControlCharacters) {
    EXPECT_EQ(FileStem(std::string("a\0b\tc\x7f", 6)), "a_b_c_");
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
    EXPECT_EQ(safeDirectoryName("Mail: 2024 <old>"), "Mail: 2024 <old>");
    EXPECT_EQ(safeDirectoryName(std::string(300, 'x')).size(), kMaxNameBytes);
}

TEST(SafeNames, AttachmentNamesKeepTheirExtensionWhenCut) {
    EXPECT_EQ(safeAttachmentName("../../etc/passwd"), ".._.._etc_passwd");
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

TEST(FolderDirectory, MirrorsTheFolderPathOneSafeDirectoryPerName) {
    const std::string root = "/r/Converted Outlook PST/";
    EXPECT_EQ(folderDirectory(root, "\\\\Personal Folders\\Inbox"),
              root + "Personal Folders/Inbox/");
    EXPECT_EQ(folderDirectory(root, "\\\\Store\\..\\..\\etc"), root + "Store/___/___/etc/");
    EXPECT_EQ(folderDirectory(root, "\\\\Store\\a/b\\#1"), root + "Store/a_b/#1/");
    EXPECT_EQ(folderDirectory(root, "\\\\Store\\\\x"), root + "Store/_/x/");
    EXPECT_EQ(folderDirectory(root, "\\\\"), root);
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
        const int32_t n = RandomBetween(1, 40000);
        ASSERT_GE(n, 1);
        ASSERT_LE(n, 40000);
        seen.insert(n);
    }
    EXPECT_GT(seen.size(), 30000u);
    EXPECT_EQ(RandomBetween(7, 7), 7);
}

TEST(Global, EnsureDirectoryCreatesEveryParentOnce) {
    test::TempDir dir;
    const std::string path = (dir / "a/b/c").string();
    EXPECT_TRUE(EnsureDirectory(path));
    EXPECT_TRUE(EnsureDirectory(path + "/"));
    EXPECT_TRUE(std::filesystem::is_directory(path));
    test::writeFile(dir / "file", "x");
    EXPECT_FALSE(EnsureDirectory((dir / "file").string()));
    EXPECT_FALSE(EnsureDirectory((dir / "file/sub").string()));
    EXPECT_FALSE(EnsureDirectory(""));
}

TEST(ExportFormat, NamesForTheCommandLine) {
    EXPECT_EQ(exportFormatNamed("HTML"), (ExportFormat{5, ".html"}));
    EXPECT_EQ(exportFormatNamed(".vcf"), (ExportFormat{6, ".vcf"}));
    EXPECT_FALSE(exportFormatNamed("pdf"));
    EXPECT_FALSE(exportFormatNamed(""));
}

}  // namespace
}  // namespace pellmark::convert
