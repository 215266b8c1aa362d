// What an export says while it works, with --quiet, by default and with --verbose, on a
// terminal and off it.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/ExportCommand.h"
#include "pst/messaging/Folder.h"
#include "pst/messaging/PstFile.h"
#include "pstwriter/messaging/PstBuilder.h"
#include "support/TestFiles.h"

namespace pellmark::cli {
namespace {

namespace fs = std::filesystem;

struct Said {
    int status;
    std::string out, err;
};

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The summary's counts, without the time they took.
std::string countsOf(const std::string& out) {
    const std::string first = linesOf(out).front();
    return first.substr(0, first.rfind(" in "));
}

// Two folders (and the Deleted Items every store has) of three messages, the second message of
// the Inbox damaged (its data block no longer matches its CRC): one item fails, two are written.
fs::path mailboxWithOneBadItem(const test::TempDir& dir) {
    pstwriter::PstBuilder b;
    auto& inbox = b.root().addFolder("Inbox", "IPF.Note");
    inbox.addMessage().setSubject("first").setBody("one");
    inbox.addMessage().setSubject("second").setBody("two");
    b.root().addFolder("Archive", "IPF.Note").addMessage().setSubject("third").setBody("three");
    const fs::path pst = dir / "bad.pst";
    b.write(pst);
    uint64_t at = 0;
    {
        auto file = pst::PstFile::open(pst);
        const pst::NodeId inbox = file->ipmSubtree().subfolderIds().front();
        const pst::NodeId second = file->folder(inbox).messageIds().at(1);
        at = file->ndb().findBlock(file->ndb().findNode(second)->bidData)->ib + 8;
    }
    std::fstream f(pst, std::ios::in | std::ios::out | std::ios::binary);
    f.seekg(static_cast<std::streamoff>(at));
    const char old = static_cast<char>(f.get());
    f.seekp(static_cast<std::streamoff>(at));
    f.put(static_cast<char>(old ^ 0x5A));
    return pst;
}

Said exportWith(const fs::path& pst, const fs::path& out, bool terminal, Verbosity verbosity) {
    ExportOptions o{"eml", {}, pst.string(), out.string(), terminal};
    o.verbosity = verbosity;
    std::ostringstream sout, serr;
    const int status = runExports(o, {pst.string()}, sout, serr);
    return {status, sout.str(), serr.str()};
}

// Quiet: standard error holds the failure and nothing else, on a terminal or not; the summary
// is the one a run without --quiet prints.
TEST(ProgressOutput, QuietSaysOnlyWhatFailed) {
    test::TempDir dir;
    const fs::path pst = mailboxWithOneBadItem(dir);
    const Said normal = exportWith(pst, dir / "normal", false, Verbosity::Normal);
    for (bool terminal : {false, true}) {
        const Said quiet =
            exportWith(pst, dir / (terminal ? "tty" : "pipe"), terminal, Verbosity::Quiet);
        EXPECT_EQ(quiet.status, 1);
        const auto lines = linesOf(quiet.err);
        ASSERT_EQ(lines.size(), 1u) << quiet.err;
        EXPECT_NE(lines[0].find("failed: CRC mismatch"), std::string::npos) << quiet.err;
        EXPECT_EQ(quiet.err.find('\r'), std::string::npos) << "no bar";
        EXPECT_EQ(countsOf(quiet.out), countsOf(normal.out));
        EXPECT_EQ(linesOf(quiet.out).size(), linesOf(normal.out).size());
    }
    EXPECT_NE(normal.err.find("folder 2/3: Archive"), std::string::npos) << normal.err;
}

// Verbose: a line per folder and one per item written, naming the file as written, on a
// terminal too, where the bar is drawn below them.
TEST(ProgressOutput, VerboseNamesEveryFileWritten) {
    test::TempDir dir;
    const fs::path pst = mailboxWithOneBadItem(dir);
    for (bool terminal : {false, true}) {
        const Said r =
            exportWith(pst, dir / (terminal ? "tty" : "pipe"), terminal, Verbosity::Verbose);
        EXPECT_EQ(r.status, 1);
        size_t folders = 0, written = 0, failed = 0;
        for (std::string line : linesOf(r.err)) {
            line = line.substr(
                line.rfind("\033[K") == std::string::npos ? 0 : line.rfind("\033[K") + 3);
            folders += line.rfind("folder ", 0) == 0;
            failed += line.find("failed: ") != std::string::npos;
            if (line.rfind("written: ", 0) != 0) continue;
            ++written;
            const auto size = line.rfind(" (");
            const fs::path file = line.substr(9, size - 9);
            EXPECT_TRUE(fs::is_regular_file(file)) << line;
            EXPECT_EQ(line.substr(size), " (" + std::to_string(fs::file_size(file)) + " bytes)");
        }
        EXPECT_EQ(folders, 3u) << r.err;
        EXPECT_EQ(written, 2u) << r.err;
        EXPECT_EQ(failed, 1u) << r.err;
        EXPECT_EQ(r.err.find("items/s") != std::string::npos, terminal) << r.err;
    }
}

// The bar of a resumed run counts the items passed over too, so it ends full.
TEST(ProgressOutput, AResumedRunsBarEndsFull) {
    test::TempDir dir;
    const fs::path pst = mailboxWithOneBadItem(dir);
    exportWith(pst, dir / "out", false, Verbosity::Quiet);
    ExportOptions o{"eml", {}, pst.string(), (dir / "out").string(), true};
    o.resume = true;
    std::ostringstream out, err;
    runExport(o, out, err);
    EXPECT_NE(out.str().find("2 items were written whole before"), std::string::npos) << out.str();
    EXPECT_NE(err.str().rfind("] 3/3 items"), std::string::npos) << err.str();
}

// With many mailboxes, the line naming each as it starts is progress too.
TEST(ProgressOutput, QuietManyMailboxesNameNoneAsTheyStart) {
    test::TempDir dir;
    for (const char* name : {"a.pst", "b.pst"}) {
        pstwriter::PstBuilder b;
        b.root().addFolder("Inbox", "IPF.Note").addMessage().setSubject(name);
        b.write(dir / name);
    }
    const std::vector<std::string> both = {(dir / "a.pst").string(), (dir / "b.pst").string()};
    for (Verbosity v : {Verbosity::Normal, Verbosity::Quiet}) {
        ExportOptions o{"txt", {}, {}, (dir / (v == Verbosity::Quiet ? "q" : "n")).string()};
        o.verbosity = v;
        std::ostringstream out, err;
        EXPECT_EQ(runExports(o, both, out, err), 0) << err.str();
        if (v == Verbosity::Quiet) {
            EXPECT_EQ(err.str(), "");
        } else {
            EXPECT_NE(err.str().find("mailbox 2/2: "), std::string::npos) << err.str();
        }
        EXPECT_NE(out.str().find("Total: 2 items written"), std::string::npos) << out.str();
    }
}

}  // namespace
}  // namespace pellmark::cli
