// The export's promise at every moment of a run: a file is in the export root if and only if
// its manifest line is, nothing is written twice, nothing through a link, and no second run
// writes into a root while another holds it. Full disks and kills are made by the run's fault
// points; killed runs are child processes.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include "formats/OutputFormats.h"

#include <map>
#include <set>

#include "base/Sha256.h"
#include "export/ConversionRun.h"
#include "export/ExportRoot.h"
#include "export/Faults.h"
#include "export/Manifest.h"
#include "formats/calendar/CalendarFile.h"
#include "pststore/PstSession.h"
#include "pststore/PstStore.h"
#include "pstwriter/Generator.h"
#include "pstwriter/messaging/PstBuilder.h"
#include "store/FolderWalk.h"
#include "support/TestFiles.h"

namespace pellmark::exporting {
namespace {

namespace fs = std::filesystem;

struct Kind {
    const char* format;
    MailboxLayout layout;
};
constexpr Kind kEml{"eml", MailboxLayout::Files};
constexpr Kind kHtml{"html", MailboxLayout::Files};
constexpr Kind kMsg{"msg", MailboxLayout::Files};
constexpr Kind kMaildir{"eml", MailboxLayout::Maildir};
constexpr Kind kMbox{"eml", MailboxLayout::Mbox};
constexpr Kind kIcs{"ics", MailboxLayout::Files};

// The files a run leaves in the export root, by path below it, but what only runs keep for a
// while (scratch of a killed run) and the root's own records.
std::set<std::string> filesIn(const fs::path& root) {
    std::set<std::string> out;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        const std::string name = it->path().filename().string();
        if (name.rfind(".pellmark-partial-", 0) == 0) {
            it.disable_recursion_pending();
            continue;
        }
        if (it->is_symlink() || !it->is_regular_file()) continue;
        if (name == Manifest::kFileName || name == ExportRoot::kIdentityFile) continue;
        if (name == "maildirfolder" || name == "dovecot-keywords") continue;
        out.insert(it->path().lexically_relative(root).string());
    }
    return out;
}

// Every folder of `store` below its top folder (and the top folder too when `withTop`).
std::vector<store::FolderRef> foldersOf(store::Store& store, bool withTop) {
    std::vector<store::FolderRef> folders;
    auto top = store.rootFolder();
    if (withTop) folders.push_back(store::folderRefOf(*top));
    store::walkFolders<int>(
        *top, 0,
        [&](store::Folder& f, const int&) -> std::optional<int> {
            folders.push_back(store::folderRefOf(f));
            return 0;
        },
        [](const std::string&, const std::string&) {});
    return folders;
}

class ExportPromise : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        box_ = new test::TempDir;
        pstwriter::GenerateOptions o;
        o.items = 160;
        o.seed = 21;
        pstwriter::generateMailbox(*box_ / "box.pst", o);
    }
    static void TearDownTestSuite() { delete box_; }
    void TearDown() override { setFaultHook(nullptr); }

    std::string rootPath() const { return (dir / "Converted Outlook PST/").string(); }

    RunSummary run(Kind kind, EarlierExport earlier = EarlierExport::Refuse,
                   const fs::path& mailbox = *box_ / "box.pst") {
        auto store = pststore::openStore(mailbox.string());
        const std::vector<store::FolderRef> folders = foldersOf(*store, true);
        pststore::PstSessionFactory sessions(pststore::PstSessionFactory::kNoProfile);
        RunRequest request{store->entryId(),
                           {folders},
                           dir.path().string(),
                           formats::outputFormatNamed(kind.format)->save};
        request.layout = kind.layout;
        request.earlier = earlier;
        RunProgress quiet;
        ConversionRun conversion(sessions, std::move(request), quiet);
        conversion.setRenderThreads(2);
        return conversion.run();
    }

    // Runs the export in a child process that a kill ends at the `n`th time the run passes
    // `point`; false when the run ended before.
    bool killedRun(Kind kind, FaultPoint point, int n, EarlierExport earlier) {
        const pid_t child = ::fork();
        if (child == 0) {
            int seen = 0;
            setFaultHook([&](FaultPoint p) {
                if (p == point && ++seen == n) ::_exit(9);
                return 0;
            });
            try {
                run(kind, earlier);
            } catch (...) {
                ::_exit(3);
            }
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status)) << status;
        return WEXITSTATUS(status) == 9;
    }

    // Every file below the root has its line, with its size and hash; `linesWithoutFiles`:
    // how many lines may name a file that is not there (a run killed before it moved them).
    void expectFilesMatchManifest(std::size_t linesWithoutFiles = 0) {
        const std::string root = rootPath();
        std::set<std::string> files = filesIn(root);
        std::size_t missing = 0;
        std::map<std::string, std::vector<Manifest::Entry>> entriesOfMbox;
        for (const Manifest::Entry& e : Manifest::read(root)) {
            if (e.offset) {
                entriesOfMbox[e.file].push_back(e);
                continue;
            }
            if (!fs::exists(root + e.file)) {
                ++missing;
                continue;
            }
            EXPECT_EQ(files.erase(e.file), 1u) << e.file << " is listed twice";
            EXPECT_EQ(fs::file_size(root + e.file), e.size) << e.file;
            EXPECT_EQ(base::sha256OfFile(root + e.file), e.sha256) << e.file;
        }
        // An mbox holds exactly its listed entries, one after another; so does a calendar
        // between its head and its tail.
        for (const auto& [file, entries] : entriesOfMbox) {
            const std::string bytes = test::readFile(root + file);
            const bool calendar = file.ends_with(".ics");
            const std::string_view head = calendar ? formats::calendar::calendarHead() : "";
            const std::string_view tail = calendar ? formats::calendar::calendarTail() : "";
            EXPECT_TRUE(bytes.starts_with(head)) << file;
            EXPECT_TRUE(bytes.ends_with(tail)) << file;
            uint64_t end = head.size();
            for (const Manifest::Entry& e : entries) {
                EXPECT_EQ(*e.offset, end) << file;
                if (*e.offset + e.size > bytes.size()) {
                    ++missing;
                    continue;
                }
                base::Sha256 sha;
                sha.update(std::string_view(bytes).substr(*e.offset, e.size));
                EXPECT_EQ(sha.hex(), e.sha256) << file << " at " << *e.offset;
                end = *e.offset + e.size;
            }
            EXPECT_EQ(bytes.size(), end + tail.size()) << file << " holds bytes no line lists";
            files.erase(file);
        }
        for (const std::string& f : files) {
            if (fs::file_size(root + f) > 0) ADD_FAILURE() << f << " is in no manifest line";
        }
        EXPECT_LE(missing, linesWithoutFiles);
    }

    // Items in files they share with others (calendars): a resumed run writes them again.
    int64_t itemsInSharedFiles() const {
        std::set<std::string> items;
        for (const Manifest::Entry& e : Manifest::read(rootPath())) {
            if (e.offset) items.insert(e.entryId);
        }
        return static_cast<int64_t>(items.size());
    }

    // The number of files (lines) of each item, by entry id.
    std::map<std::string, int> linesPerItem() const {
        std::map<std::string, int> lines;
        for (const Manifest::Entry& e : Manifest::read(rootPath())) lines[e.entryId] += 1;
        return lines;
    }
    // What an export of `kind` without faults writes of each item.
    std::map<std::string, int> wholeExport(Kind kind) {
        fs::remove_all(dir.path());
        fs::create_directories(dir.path());
        EXPECT_TRUE(run(kind).succeeded());
        const auto lines = linesPerItem();
        fs::remove_all(dir.path());
        fs::create_directories(dir.path());
        return lines;
    }

    static constexpr std::size_t npos = std::string::npos;
    static test::TempDir* box_;
    test::TempDir dir;
};

test::TempDir* ExportPromise::box_ = nullptr;

// A disk that fills while the manifest is written: the item fails whole, no file stays without
// its line, and a resumed run writes each missing item once.
TEST_F(ExportPromise, AFullDiskNeverLeavesAFileWithoutItsLine) {
    for (const Kind kind : {kEml, kHtml, kMsg, kMaildir, kMbox, kIcs}) {
        SCOPED_TRACE(std::string(kind.format) + " " + std::to_string(int(kind.layout)));
        const auto whole = wholeExport(kind);
        const auto items = static_cast<int64_t>(whole.size());
        int writes = 0;
        setFaultHook([&](FaultPoint p) {
            return p == FaultPoint::ManifestWrite && ++writes % 5 == 0 ? ENOSPC : 0;
        });
        const RunSummary full = run(kind);
        setFaultHook(nullptr);
        EXPECT_EQ(full.itemsFailed, writes / 5);
        EXPECT_EQ(full.itemsWritten + full.itemsFailed, items);
        expectFilesMatchManifest();
        if (kind.layout == MailboxLayout::Mbox) continue;  // mbox exports are not resumed
        const int64_t shared = itemsInSharedFiles();
        const RunSummary resumed = run(kind, EarlierExport::Resume);
        EXPECT_TRUE(resumed.succeeded());
        EXPECT_EQ(resumed.itemsAlreadyExported, full.itemsWritten - shared);
        EXPECT_EQ(resumed.itemsWritten, full.itemsFailed + shared);
        expectFilesMatchManifest();
        EXPECT_EQ(linesPerItem(), whole) << "every item once, and all of it";
    }
}

// A kill after an item's lines are written and before its files take their names (or between
// a page's attachments and the page): the lines wait for files a resumed run writes once.
TEST_F(ExportPromise, AKillAtAnyMomentLeavesNoFileUnrecordedAndResumesOnce) {
    struct Case {
        Kind kind;
        FaultPoint point;
        int n;
    };
    for (const Case c : {Case{kEml, FaultPoint::BeforeMoves, 7},
                         {kMsg, FaultPoint::BeforeMoves, 50},
                         {kHtml, FaultPoint::BetweenMoves, 3},
                         {kMaildir, FaultPoint::BeforeMoves, 11},
                         {kMbox, FaultPoint::BeforeMoves, 20},
                         {kIcs, FaultPoint::BeforeMoves, 4}}) {
        SCOPED_TRACE(std::string(c.kind.format) + " " + std::to_string(int(c.kind.layout)));
        const auto whole = wholeExport(c.kind);
        ASSERT_TRUE(killedRun(c.kind, c.point, c.n, EarlierExport::Refuse));
        expectFilesMatchManifest(1);
        if (c.kind.layout == MailboxLayout::Mbox) {
            // Written beside it; what the killed run left behind goes.
            EXPECT_TRUE(run(c.kind, EarlierExport::WriteBeside).succeeded());
        } else {
            ASSERT_TRUE(killedRun(c.kind, c.point, c.n, EarlierExport::Resume));
            const RunSummary resumed = run(c.kind, EarlierExport::Resume);
            EXPECT_TRUE(resumed.succeeded());
            expectFilesMatchManifest();
            EXPECT_EQ(linesPerItem(), whole) << "every item once, and all of it";
        }
        for (const auto& e : fs::recursive_directory_iterator(dir.path())) {
            EXPECT_NE(e.path().filename().string().rfind(".pellmark-partial-", 0), 0u)
                << "left behind: " << e.path();
            EXPECT_FALSE(e.path().parent_path().filename() == "tmp" && e.is_regular_file())
                << "a Maildir delivery left in tmp/: " << e.path();
        }
    }
}

TEST_F(ExportPromise, ASecondRunIsRefusedWhileOneHoldsTheRoot) {
    {
        ExportRoot held(rootPath());
        try {
            run(kEml);
            ADD_FAILURE() << "a second run wrote into a held root";
        } catch (const PrepareError& e) {
            EXPECT_EQ(e.why(), PrepareError::Why::RootBusy);
            EXPECT_NE(std::string(e.what()).find("another export is writing"), npos) << e.what();
        }
        EXPECT_TRUE(filesIn(rootPath()).empty());
    }
    EXPECT_TRUE(run(kEml).succeeded()) << "the root is free once the other run ends";
}

TEST_F(ExportPromise, AResumeFinishesOnlyTheSameFormatOfTheSameMailbox) {
    ASSERT_TRUE(run(kEml).succeeded());
    pstwriter::PstBuilder other;  // another mailbox: another record key
    other.options().recordKey[15] ^= 1;
    other.root().addFolder("Inbox", "IPF.Note").addMessage().setSubject("other");
    other.write(dir / "other.pst");
    auto refusedAs = [&](Kind kind, const fs::path& mailbox) {
        try {
            run(kind, EarlierExport::Resume, mailbox);
        } catch (const PrepareError& e) {
            return e.why();
        }
        return PrepareError::Why::Other;
    };
    const std::size_t before = filesIn(rootPath()).size();
    EXPECT_EQ(refusedAs(kHtml, *box_ / "box.pst"), PrepareError::Why::AnotherExport);
    EXPECT_EQ(refusedAs(kMaildir, *box_ / "box.pst"), PrepareError::Why::AnotherExport);
    EXPECT_EQ(refusedAs(kEml, dir / "other.pst"), PrepareError::Why::AnotherExport);
    EXPECT_EQ(filesIn(rootPath()).size(), before);
    // The same mailbox read from elsewhere is the same export.
    fs::copy_file(*box_ / "box.pst", dir / "moved.pst");
    const RunSummary resumed = run(kEml, EarlierExport::Resume, dir / "moved.pst");
    EXPECT_EQ(resumed.itemsWritten, 0);
    EXPECT_GT(resumed.itemsAlreadyExported, 0);
}

// A link in place of a folder's directory, or of a Maildir's cur/: nothing is written, read as
// the export's or removed through it.
TEST_F(ExportPromise, NothingIsWrittenOrRemovedThroughALink) {
    const fs::path elsewhere = dir / "elsewhere";
    auto listing = [](const fs::path& d) {
        std::map<std::string, std::string> out;
        for (const auto& e : fs::recursive_directory_iterator(d)) {
            if (e.is_regular_file()) out[e.path().string()] = test::readFile(e.path());
        }
        return out;
    };
    for (const Kind kind : {kEml, kHtml}) {
        fs::remove_all(dir.path());
        ASSERT_TRUE(run(kind).succeeded());
        const fs::path inbox = fs::path(rootPath()) / "Personal Folders" / "Inbox";
        fs::rename(inbox, elsewhere);
        fs::create_directory_symlink(elsewhere, inbox);
        const auto before = listing(elsewhere);
        for (const EarlierExport earlier : {EarlierExport::Resume, EarlierExport::WriteBeside}) {
            const RunSummary again = run(kind, earlier);
            EXPECT_TRUE(again.succeeded());
            EXPECT_EQ(listing(elsewhere), before) << kind.format;
            EXPECT_TRUE(fs::is_directory(inbox.string() + " (2)"));
        }
        expectFilesMatchManifest();
    }
    fs::remove_all(dir.path());
    ASSERT_TRUE(run(kMaildir).succeeded());
    fs::create_directories(elsewhere);
    const fs::path cur = fs::path(rootPath()) / "Personal Folders" / "cur";
    fs::remove_all(cur);
    fs::create_directory_symlink(elsewhere, cur);
    EXPECT_TRUE(run(kMaildir, EarlierExport::WriteBeside).succeeded()) << "into a store of its own";
    const RunSummary resumed = run(kMaildir, EarlierExport::Resume);
    EXPECT_FALSE(resumed.succeeded()) << "the Inbox cannot be written, and says so";
    EXPECT_TRUE(fs::is_empty(elsewhere));
}

}  // namespace
}  // namespace pellmark::exporting

namespace pellmark::exporting {
namespace {

// Folder names as users give them: a backslash inside a name, two siblings of one name, two
// that differ in letter case only. Each folder is one directory (or mailbox) of its own.
TEST(FolderNames, EveryFolderOfARealMailboxStaysItself) {
    test::TempDir dir;
    pstwriter::PstBuilder b;
    auto& slashed = b.root().addFolder("a\\b", "IPF.Note");
    slashed.addMessage().setSubject("in a-b");
    slashed.addFolder("c", "IPF.Note").addMessage().setSubject("in c");
    b.root().addFolder("Reports", "IPF.Note").addMessage().setSubject("first");
    b.root().addFolder("Reports", "IPF.Note").addMessage().setSubject("second");
    b.root().addFolder("reports", "IPF.Note").addMessage().setSubject("third");
    b.write(dir / "names.pst");
    auto store = pststore::openStore((dir / "names.pst").string());
    const std::vector<store::FolderRef> folders = foldersOf(*store, false);
    pststore::PstSessionFactory sessions(pststore::PstSessionFactory::kNoProfile);
    RunProgress quiet;
    const RunSummary summary =
        ConversionRun(sessions,
                      {store->entryId(), {folders}, dir.path().string(), store::SaveFormat::Txt},
                      quiet)
            .run();
    EXPECT_EQ(summary.itemsWritten, 5);
    const fs::path top = dir / "Converted Outlook PST" / "Personal Folders";
    std::set<std::string> directories;
    for (const auto& e : fs::recursive_directory_iterator(top)) {
        if (e.is_directory()) directories.insert(e.path().lexically_relative(top).string());
    }
    EXPECT_EQ(directories, (std::set<std::string>{"a_b", "a_b/c", "Reports", "Reports (2)",
                                                  "reports (3)", "Deleted Items"}));
}

}  // namespace
}  // namespace pellmark::exporting
