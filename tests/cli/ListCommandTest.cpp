// `pellmark-export --list` and `--items`: line format and exit status.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "cli/ExportCommand.h"
#include "cli/ListCommand.h"
#include "pst/messaging/Folder.h"
#include "pst/messaging/PstFile.h"
#include "pstwriter/messaging/PstBuilder.h"
#include "support/TestFiles.h"

namespace pellmark::cli {
namespace {

struct ListRun {
    int status;
    std::string out, err;
};

ListRun list(const std::filesystem::path& p, ListKind kind) {
    std::ostringstream out, err;
    int status = runList(p, kind, out, err);
    return {status, out.str(), err.str()};
}

TEST(ListCommand, FoldersDepthFirstUnderTheStoreName) {
    PELLMARK_SAMPLE_OR_SKIP(path, "pst/npm-pst-extractor__enron.pst");
    ListRun r = list(path, ListKind::Folders);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    // Backslashes doubled, as every escape of a listed field reads one way.
    EXPECT_EQ(
        r.out,
        "\\\\\\\\Personal folders\tIPM.Note\t0\n"
        "\\\\\\\\Personal folders\\\\Deleted Items\tIPM.Note\t0\n"
        "\\\\\\\\Personal folders\\\\lokay-m\tIPM.Note\t0\n"
        "\\\\\\\\Personal folders\\\\lokay-m\\\\MLOKAY (Non-Privileged)\tIPM.Note\t1\n"
        "\\\\\\\\Personal folders\\\\lokay-m\\\\MLOKAY (Non-Privileged)\\\\TW-Commercial "
        "Group\tIPM.Note\t14\n"
        "\\\\\\\\Personal folders\\\\lokay-m\\\\MLOKAY (Non-Privileged)\\\\Systems\tIPM.Note\t7\n"
        "\\\\\\\\Personal folders\\\\lokay-m\\\\MLOKAY (Non-Privileged)\\\\Sent "
        "Items\tIPM.Note\t2\n"
        "\\\\\\\\Personal folders\\\\lokay-m\\\\MLOKAY "
        "(Non-Privileged)\\\\Personal\tIPM.Note\t47\n");
}

TEST(ListCommand, ItemsWithPositionClassSubjectAndAttachments) {
    PELLMARK_SAMPLE_OR_SKIP(path, "pst/hht__msgInMsgInMsg.pst");
    ListRun r = list(path, ListKind::Items);
    EXPECT_EQ(r.status, 0);
    // Two attachments: a 134-byte image and an embedded message (no data bytes of its own).
    EXPECT_EQ(r.out, "\\\\\\\\msgInMsgInMsg\t1\tIPM.Note\tI have sub attachments!\t2\t134\n");
}

// A subject holding a backslash, a TAB and a line break, in a folder whose name holds a
// backslash: every field is one line, each escape reads one way, and the folder's path as the
// list prints it chooses the folder for an export.
TEST(ListCommand, EveryEscapeReadsOneWayAndTheListedPathChoosesTheFolder) {
    test::TempDir dir;
    pstwriter::PstBuilder b;
    b.options().storeName = "Box";
    b.root().addFolder("C:\\temp", "IPF.Note").addMessage().setSubject("a\\tb\tc\nd");
    b.write(dir / "b.pst");
    ListRun r = list(dir / "b.pst", ListKind::Items);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "\\\\\\\\Box\\\\C:\\\\temp\t1\tIPM.Note\ta\\\\tb\\tc\\nd\t0\t0\n");
    for (const std::string path : {"\\\\Box\\C:\\temp", "\\\\\\\\Box\\\\C:\\\\temp"}) {
        std::ostringstream out, err;
        const auto to = dir / std::to_string(path.size());
        EXPECT_EQ(runExport({"txt", {path}, (dir / "b.pst").string(), to.string()}, out, err), 0)
            << path << ": " << err.str();
        EXPECT_NE(out.str().find("1 items written"), std::string::npos) << out.str();
    }
}

TEST(ListCommand, UnreadableFileIsOneLineAndStatusTwo) {
    test::TempDir dir;
    test::writeFile(dir / "notes.txt", "shopping list\n");
    ListRun r = list(dir / "notes.txt", ListKind::Folders);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
    EXPECT_NE(r.err.find("notes.txt"), std::string::npos);
    EXPECT_NE(r.err.find("not an Outlook data file"), std::string::npos);
}

TEST(ListCommand, DamagedItemIsWarnedAboutAndTheRestListed) {
    PELLMARK_SAMPLE_OR_SKIP(sample, "pst/hht__threeItems.pst");
    test::TempDir dir;
    const auto copy = dir / "d.pst";
    std::filesystem::copy_file(sample, copy);
    {
        auto file = pst::PstFile::open(copy);
        auto first = file->folder(file->ipmSubtree().subfolderIds().back()).messageIds().at(0);
        auto block = file->ndb().findBlock(file->ndb().findNode(first)->bidData);
        std::fstream f(copy, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(block->ib + 30));
        f.put('\x5A');
    }
    ListRun r = list(copy, ListKind::Items);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("warning"), std::string::npos);
    EXPECT_NE(r.err.find("CRC"), std::string::npos);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3);  // four items, one damaged
}

// Two files and a directory holding a copy of the first, a third file (named again after it)
// and a .pst that is none: each file once, its lines under its header; as JSON, an array
// Python reads, a mailbox that cannot be read an element with its error; the worst status.
TEST(ListCommand, ManyMailboxesEachUnderItsHeaderOrInAnArray) {
    test::TempDir dir;
    std::filesystem::create_directory(dir / "more");
    for (const char* name : {"a.pst", "b.pst", "more/c.ost"}) {
        pstwriter::PstBuilder b;
        b.options().storeName = std::filesystem::path(name).stem().string();
        b.root().addFolder("Inbox", "IPF.Note").addMessage().setSubject(name);
        b.write(dir / name);
    }
    std::filesystem::copy_file(dir / "a.pst", dir / "more" / "a.pst");
    test::writeFile(dir / "more" / "d.pst", "not a mailbox");
    const std::vector<std::string> inputs = {(dir / "a.pst").string(), (dir / "b.pst").string(),
                                             (dir / "more").string(),
                                             (dir / "more" / "c.ost").string()};
    std::ostringstream out, err;
    EXPECT_EQ(runLists(inputs, ListKind::Folders, out, err), 2);
    const std::string more = (dir / "more").string();
    auto listed = [](const std::string& store) {
        const std::string top = "\\\\\\\\" + store;
        return top + "\tIPM.Note\t0\n" + top + "\\\\Inbox\tIPM.Note\t1\n" + top +
               "\\\\Deleted Items\tIPM.Note\t0\n";
    };
    EXPECT_EQ(out.str(), "== " + inputs[0] + "\n" + listed("a") + "== " + inputs[1] + "\n" +
                             listed("b") + "== " + more + "/a.pst\n" + listed("a") + "== " + more +
                             "/c.ost\n" + listed("c") + "== " + more + "/d.pst\n");
    EXPECT_NE(err.str().find(more + "/d.pst: "), std::string::npos) << err.str();

    std::string args;
    for (const auto& input : inputs) args += " " + test::shellQuote(input);
    const auto json = test::runCommand(
        test::shellQuote(
            (std::filesystem::path(PELLMARK_BINARY_DIR) / "src/cli/pellmark-export").string()) +
        " --items --json" + args +
        " 2>/dev/null | python3 -c 'import json, sys\n"
        "for m in json.load(sys.stdin):\n"
        "    print(m[\"file\"].split(\"/\")[-1], [i[\"subject\"] for i in m[\"items\"]],"
        " \"error\" in m)'");
    EXPECT_EQ(json.out,
              "a.pst ['a.pst'] False\nb.pst ['b.pst'] False\na.pst ['a.pst'] False\n"
              "c.ost ['more/c.ost'] False\nd.pst [] True\n");
}

}  // namespace
}  // namespace pellmark::cli
