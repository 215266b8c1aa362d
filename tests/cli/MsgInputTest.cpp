// .msg files as mailboxes: a file alone, a directory whose subdirectories are folders, and a
// directory that holds .pst files beside them; a damaged file among sound ones is named and
// counted and the rest go on; --resume knows the files again.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/ExportCommand.h"
#include "cli/ListCommand.h"
#include "support/TestFiles.h"

namespace pellmark::cli {
namespace {

namespace fs = std::filesystem;

size_t filesBelow(const fs::path& dir, const std::string& extension) {
    size_t n = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        n += e.is_regular_file() && e.path().extension() == extension;
    }
    return n;
}

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome exportTo(const std::vector<std::string>& inputs, const fs::path& out,
                 const std::string& format = "eml", bool resume = false) {
    ExportOptions options;
    options.format = format;
    options.outputDirectory = out.string();
    options.resume = resume;
    options.verbosity = Verbosity::Quiet;
    std::ostringstream o, e;
    const int status = runExports(options, inputs, o, e);
    return {status, o.str(), e.str()};
}

Outcome list(const std::vector<std::string>& inputs, ListKind kind, bool json = false) {
    std::ostringstream o, e;
    const int status = runLists(inputs, kind, o, e, json);
    return {status, o.str(), e.str()};
}

// A directory of three sample messages, one in a subdirectory, and a damaged one.
fs::path messagesDirectory(const test::TempDir& dir, const fs::path& samples) {
    const fs::path box = dir / "Loose mail";
    fs::create_directories(box / "Sub" / "Deeper");
    fs::create_directories(box / "Empty");
    fs::copy_file(samples / "hhtmsgreader__Simple.msg", box / "b simple.msg");
    fs::copy_file(samples / "hhtmsgreader__msgInMsg.msg", box / "a nested.MSG");
    fs::copy_file(samples / "tika__testMSG_chinese.msg", box / "Sub" / "Deeper" / "cjk.msg");
    test::writeFile(box / "Sub" / "damaged.msg", std::string(3000, 'x'));
    test::writeFile(box / "notes.txt", "not a message");
    return box;
}

TEST(MsgInput, ADirectoryIsAMailboxWhoseFoldersAreItsSubdirectories) {
    PELLMARK_SAMPLE_OR_SKIP(samples, "msg");
    test::TempDir dir;
    const fs::path box = messagesDirectory(dir, samples);

    const Outcome folders = list({box.string()}, ListKind::Folders);
    EXPECT_EQ(folders.status, 0) << folders.err;
    // The directory holding no .msg file is no folder.
    EXPECT_EQ(folders.out, "== " + box.string() +
                               "\n\\\\\\\\Loose mail\tIPM.Note\t2\n"
                               "\\\\\\\\Loose mail\\\\Sub\tIPM.Note\t1\n"
                               "\\\\\\\\Loose mail\\\\Sub\\\\Deeper\tIPM.Note\t1\n");
    const Outcome items = list({box.string()}, ListKind::Items, true);
    EXPECT_NE(items.out.find("\"I have attachments!\""), std::string::npos) << items.out;

    const Outcome run = exportTo({box.string()}, dir / "out");
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_NE(run.out.find("3 items written, 1 failed"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("damaged.msg"), std::string::npos) << run.err;
    const fs::path root = dir / "out" / "Loose mail" / "Converted Outlook PST";
    EXPECT_EQ(filesBelow(root / "Loose mail", ".eml"), 3u);
    EXPECT_EQ(filesBelow(root / "Loose mail" / "Sub" / "Deeper", ".eml"), 1u);

    // A second run finishes the first: the sound files are known again by their paths.
    const Outcome again = exportTo({box.string()}, dir / "out", "eml", true);
    EXPECT_NE(again.out.find("3 items were written whole before"), std::string::npos) << again.out;
    EXPECT_EQ(filesBelow(root, ".eml"), 3u);
}

TEST(MsgInput, OneFileIsAMailboxOfOneFolderInEveryFormat) {
    PELLMARK_SAMPLE_OR_SKIP(sample, "msg/hhtmsgreader__attachmentFiles.msg");
    test::TempDir dir;
    for (const std::string format : {"msg", "eml", "txt", "html", "mht", "rtf", "mbox"}) {
        SCOPED_TRACE(format);
        const Outcome run = exportTo({sample.string()}, dir / format, format);
        EXPECT_EQ(run.status, 0) << run.out << run.err;
        EXPECT_NE(run.out.find("1 items written, 0 failed"), std::string::npos) << run.out;
    }
    EXPECT_EQ(filesBelow(dir / "msg", ".msg"), 1u);
    // The .html page writes its attachments beside it.
    EXPECT_EQ(filesBelow(dir / "html", ".html"), 1u);
}

// A directory of contacts only is a contact folder: its cards leave as vCards. A contact among
// mail keeps the folder a mail folder, whose every item is exported.
TEST(MsgInput, ADirectoryOfContactsIsAContactFolder) {
    PELLMARK_SAMPLE_OR_SKIP(samples, "msg");
    test::TempDir dir;
    const fs::path box = dir / "Saved";
    fs::create_directories(box / "Cards");
    fs::create_directories(box / "Mixed");
    for (const char* name : {"hhtmsgreader__contactUnicode.msg", "rubymsg__contact-plain.msg",
                             "tika__testMSG_Contact.msg"}) {
        fs::copy_file(samples / name, box / "Cards" / name);
    }
    fs::copy_file(samples / "rubymsg__contact-unicode.msg", box / "Mixed" / "card.msg");
    fs::copy_file(samples / "hhtmsgreader__Simple.msg", box / "Mixed" / "mail.msg");

    const Outcome folders = list({box.string()}, ListKind::Folders);
    EXPECT_NE(folders.out.find("\\\\\\\\Saved\\\\Cards\tIPM.Contact\t3\n"), std::string::npos)
        << folders.out;
    EXPECT_NE(folders.out.find("\\\\\\\\Saved\\\\Mixed\tIPM.Note\t2\n"), std::string::npos)
        << folders.out;

    const Outcome cards = exportTo({box.string()}, dir / "vcf", "vcf");
    EXPECT_EQ(
        filesBelow(dir / "vcf" / "Saved" / "Converted Outlook PST" / "Saved" / "Cards", ".vcf"), 3u)
        << cards.out << cards.err;
    const Outcome mail = exportTo({box.string()}, dir / "eml", "eml");
    EXPECT_EQ(mail.status, 0) << mail.out << mail.err;
    EXPECT_NE(mail.out.find("5 items written, 0 failed"), std::string::npos) << mail.out;
}

TEST(MsgInput, ADirectoryWithDataFilesAndMessagesIsSeveralMailboxes) {
    PELLMARK_SAMPLE_OR_SKIP(pst, "pst/hht__threeItems.pst");
    PELLMARK_SAMPLE_OR_SKIP(msg, "msg/hhtmsgreader__Simple.msg");
    test::TempDir dir;
    const fs::path box = dir / "mixed";
    fs::create_directories(box / "saved");
    fs::copy_file(pst, box / "three.pst");
    fs::copy_file(msg, box / "saved" / "simple.msg");

    const Outcome listed = list({box.string()}, ListKind::Folders);
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_NE(listed.out.find("== " + (box / "three.pst").string() + "\n"), std::string::npos);
    EXPECT_NE(listed.out.find("== " + box.string() + "\n"), std::string::npos) << listed.out;

    const Outcome run = exportTo({box.string()}, dir / "out");
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("Summary of 2 mailboxes"), std::string::npos) << run.out;
    EXPECT_EQ(filesBelow(dir / "out" / "mixed" / "Converted Outlook PST", ".eml"), 1u);
}

}  // namespace
}  // namespace pellmark::cli
