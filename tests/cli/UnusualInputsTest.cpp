// Mailboxes of unusual shape as users meet them: folders of any class, one stored as 8-bit text
// under the Unicode type, and data files in a directory that are no files at all. Nothing is
// passed over in silence: every item comes out, or what does not is named with its reason.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <sstream>

#include "cli/ExportCommand.h"
#include "cli/ListCommand.h"
#include "pstwriter/messaging/PstBuilder.h"
#include "support/TestFiles.h"

namespace pellmark::cli {
namespace {

namespace fs = std::filesystem;

const fs::path kBinaries = fs::path(PELLMARK_BINARY_DIR);

// One folder of each odd class, each holding one item, and an ordinary Inbox. The "Eight-bit"
// classes are "IPF.Note", "IPF.Files" and "IPF.Contact" written as 8-bit text into the Unicode
// property, the last as a real .ost has it: a NUL, then a second class in UTF-16. Read as UTF-16
// they are the CJK-looking texts below.
constexpr const char* kClassesJson = R"({
  "store": { "name": "Classes" },
  "folders": [
    { "name": "Inbox", "class": "IPF.Note", "messages": [ { "subject": "ordinary" } ] },
    { "name": "Bare", "class": "IPF", "messages": [ { "subject": "in IPF" } ] },
    { "name": "Lower", "class": "ipf.note", "messages": [ { "subject": "in ipf.note" } ] },
    { "name": "Files", "class": "IPF.Files", "messages": [ { "subject": "in IPF.Files" } ] },
    { "name": "Custom", "class": "Custom.Thing",
      "messages": [ { "subject": "in Custom.Thing" } ],
      "folders": [ { "name": "Below", "class": "IPF.Note",
                     "messages": [ { "subject": "below a custom one" } ] } ] },
    { "name": "People", "class": "ipf.CONTACT.custom",
      "messages": [ { "kind": "contact", "givenName": "Ann", "surname": "Lee" } ] },
    { "name": "Eight-bit mail", "class": "\u5049\u2E46\u6F4E\u6574",
      "messages": [ { "subject": "in 8-bit IPF.Note" } ] },
    { "name": "Eight-bit files", "class": "\u5049\u2E46\u6946\u656Cs",
      "messages": [ { "subject": "in 8-bit IPF.Files" } ] },
    { "name": "Eight-bit contacts",
      "class": "\u5049\u2E46\u6F43\u746E\u6361tIPM.Microsoft.OSC.ContactSync",
      "messages": [ { "kind": "contact", "givenName": "Bo", "surname": "Ng" } ] }
  ]
})";

fs::path writeClassesMailbox(const test::TempDir& dir) {
    test::writeFile(dir / "classes.json", kClassesJson);
    const fs::path pst = dir / "classes.pst";
    const auto made = test::runCommand(
        test::shellQuote((kBinaries / "tools/mkpst/pellmark-mkpst").string()) + " --quiet --from " +
        test::shellQuote((dir / "classes.json").string()) + " " + test::shellQuote(pst.string()));
    EXPECT_EQ(made.status, 0) << made.out;
    return pst;
}

// The files with `extension` in `dir`, or below it at any depth.
size_t filesIn(const fs::path& dir, const std::string& extension) {
    size_t n = 0;
    for (const auto& e : fs::directory_iterator(dir)) {
        n += e.is_regular_file() && e.path().extension() == extension;
    }
    return n;
}
size_t filesBelow(const fs::path& dir, const std::string& extension) {
    size_t n = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        n += e.is_regular_file() && e.path().extension() == extension;
    }
    return n;
}

TEST(UnusualInputs, FoldersOfEveryClassExportWholeInEveryLayout) {
    test::TempDir dir;
    const fs::path pst = writeClassesMailbox(dir);

    std::ostringstream listed, listErr;
    ASSERT_EQ(runList(pst, ListKind::Folders, listed, listErr, false), 0) << listErr.str();
    // Listing lines double the backslashes of the folder paths.
    for (const char* line : {R"(\\\\Classes\\Bare)"
                             "\tIPM.Note\t1",
                             R"(\\\\Classes\\Custom\\Below)"
                             "\tIPM.Note\t1",
                             R"(\\\\Classes\\People)"
                             "\tIPM.Contact\t1",
                             R"(\\\\Classes\\Eight-bit mail)"
                             "\tIPM.Note\t1",
                             R"(\\\\Classes\\Eight-bit files)"
                             "\tIPM.Note\t1",
                             R"(\\\\Classes\\Eight-bit contacts)"
                             "\tIPM.Contact\t1"}) {
        EXPECT_NE(listed.str().find(line), std::string::npos) << line << "\n" << listed.str();
    }

    std::ostringstream out, err;
    ASSERT_EQ(runExport({"eml", {}, pst.string(), (dir / "eml").string(), false}, out, err), 0)
        << out.str() << err.str();
    EXPECT_NE(out.str().find("10 items written, 0 failed"), std::string::npos) << out.str();
    const fs::path box = dir / "eml" / "Converted Outlook PST" / "Classes";
    for (const char* folder : {"Inbox", "Bare", "Lower", "Files", "Custom", "Custom/Below",
                               "Eight-bit mail", "Eight-bit files"}) {
        EXPECT_EQ(filesIn(box / folder, ".eml"), 1u) << folder;
    }
    EXPECT_EQ(filesIn(box / "People", ".vcf"), 1u) << "a contact folder by its family";
    EXPECT_EQ(filesIn(box / "Eight-bit contacts", ".vcf"), 1u);

    std::ostringstream mOut, mErr;
    ASSERT_EQ(
        runExport({"maildir", {}, pst.string(), (dir / "maildir").string(), false}, mOut, mErr), 0)
        << mOut.str() << mErr.str();
    EXPECT_NE(mOut.str().find("10 items written, 0 failed"), std::string::npos) << mOut.str();
    const fs::path tree = dir / "maildir" / "Converted Outlook PST";
    EXPECT_EQ(filesBelow(tree, ".vcf"), 2u);
    size_t messages = 0;
    for (const auto& e : fs::recursive_directory_iterator(tree)) {
        messages += e.is_regular_file() && e.path().parent_path().filename() == "cur";
    }
    EXPECT_EQ(messages, 8u);
}

// A directory's .pst names that are no data file: a pipe, which must not be opened (that would
// wait for a writer for ever), a link to a device and a link to nothing. Each is named with its
// reason on standard error and in the summary, and the run ends with status 2.
TEST(UnusualInputs, DataFilesThatAreNoFilesAreNamedNotPassedOver) {
    test::TempDir dir;
    fs::create_directory(dir / "in");
    pstwriter::PstBuilder b;
    b.root().addFolder("Inbox", "IPF.Note").addMessage().setSubject("fine");
    b.write(dir / "in" / "good.pst");
    ASSERT_EQ(::mkfifo((dir / "in" / "pipe.pst").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", dir / "in" / "zero.pst");
    fs::create_symlink(dir / "nowhere.pst", dir / "in" / "gone.ost");

    const std::string command = "timeout 20 " +
                                test::shellQuote((kBinaries / "src/cli/pellmark-export").string()) +
                                " --format eml " + test::shellQuote((dir / "in").string()) + " " +
                                test::shellQuote((dir / "out").string()) + " 2>" +
                                test::shellQuote((dir / "err.txt").string());
    const auto run = test::runCommand(command);
    const std::string err = test::readFile(dir / "err.txt");
    EXPECT_EQ(run.status, 2) << run.out << err;
    const std::pair<std::string, std::string> expected[] = {
        {"pipe.pst", "it is a pipe (FIFO), not a regular file"},
        {"zero.pst", "it is a symbolic link to a device (/dev/zero), not a regular file"},
        {"gone.ost",
         "it is a symbolic link to " + (dir / "nowhere.pst").string() + ", which does not exist"},
    };
    for (const auto& [name, reason] : expected) {
        const std::string file = (dir / "in" / name).string();
        EXPECT_NE(err.find(file + ": " + reason), std::string::npos) << name << "\n" << err;
        EXPECT_NE(run.out.find("NOT EXPORTED  " + file + ": " + reason), std::string::npos)
            << name << "\n"
            << run.out;
    }
    EXPECT_NE(run.out.find("ok  " + (dir / "in" / "good.pst").string()), std::string::npos)
        << run.out;
    EXPECT_EQ(filesBelow(dir / "out" / "good", ".eml"), 1u);
}

}  // namespace
}  // namespace pellmark::cli
