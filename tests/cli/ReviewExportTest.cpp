// Exports for review through pellmark-export: copies of a message left out across folders and
// mailboxes and listed with the document they duplicate, the shards of many mailboxes each
// exported once and merged into one load file, and inputs that no run changes.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "base/Sha256.h"
#include "export/LoadFile.h"
#include "export/Manifest.h"
#include "export/Production.h"
#include "mapi/Tags.h"
#include "pstwriter/messaging/PstBuilder.h"
#include "support/TestFiles.h"

namespace pellmark::cli {
namespace {

namespace fs = std::filesystem;
using exporting::LoadFile;

const std::string kExport = (fs::path(PELLMARK_BINARY_DIR) / "src/cli/pellmark-export").string();
constexpr uint64_t kMay2024 = 133590000000000000ull;

test::CommandResult exportCommand(const std::string& args) {
    return test::runCommand("timeout 60 " + kExport + " -q " + args + " 2>&1");
}

pstwriter::Message& addMail(pstwriter::Folder& folder, const std::string& subject,
                            const std::string& body, const std::string& messageId) {
    auto& m = folder.addMessage();
    m.setSubject(subject).setBody(body).setSender("Ann Lee", "ann@example.com").setDate(kMay2024);
    m.addRecipient("Bob Ray", "bob@example.com");
    m.setString(mapi::prop::kInternetMessageId, messageId);
    return m;
}

// A message and its copy in another folder; two messages of one Message-ID (a draft and the
// edited forward it became); two contacts alike in every field, the second a copy.
void writeMailbox(const fs::path& path) {
    pstwriter::PstBuilder b;
    auto& inbox = b.root().addFolder("Inbox", "IPF.Note");
    auto& sent = b.root().addFolder("Sent Items", "IPF.Note");
    auto& contacts = b.root().addFolder("Contacts", "IPF.Contact");
    addMail(inbox, "Budget", "See the figures.", "<budget@example.com>")
        .addAttachment("figures.csv", pstwriter::ByteVec{'1', ',', '2'});
    addMail(sent, "Budget", "See the figures.", "<budget@example.com>")
        .addAttachment("figures.csv", pstwriter::ByteVec{'1', ',', '2'});
    addMail(inbox, "Plan", "First draft.", "<plan@example.com>");
    addMail(sent, "Plan", "First draft, with Carl's changes.", "<plan@example.com>");
    for (int i = 0; i < 2; ++i) {
        auto& c = contacts.addMessage("IPM.Contact");
        c.setSubject("Pat Doe");
        c.setString(mapi::prop::kGivenName, "Pat");
        c.setString(mapi::prop::kSurname, "Doe");
    }
    b.write(path);
}

std::vector<LoadFile::Document> rowsOf(const fs::path& directory) {
    return LoadFile::read((directory / LoadFile::kFileName).string());
}

std::string sha256(const fs::path& path) {
    return base::sha256OfFile(path.string());
}

TEST(ReviewExport, ACopyIsWrittenOnceAndListedWithWhatItDuplicates) {
    test::TempDir dir;
    writeMailbox(dir / "box.pst");
    const std::string before = sha256(dir / "box.pst");
    const auto r = exportCommand("-f eml --dedupe --load-file dat --custodian 'Ann Lee' " +
                                 test::shellQuote((dir / "box.pst").string()) + " " +
                                 test::shellQuote((dir / "out").string()));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("2 items were copies of items written before"), std::string::npos)
        << r.out;
    const fs::path root = dir / "out" / "Converted Outlook PST";
    std::map<std::string, const LoadFile::Document*> byId;
    const auto rows = rowsOf(root);
    for (const auto& d : rows) byId[d.begDoc] = &d;
    std::vector<const LoadFile::Document*> copies;
    std::multiset<std::string> written;  // subjects of the items written
    for (const auto& d : rows) {
        EXPECT_EQ(d.custodian, "Ann Lee");
        if (!d.duplicateOf.empty()) copies.push_back(&d);
        if (d.duplicateOf.empty() && d.parentDocId.empty()) written.insert(d.subject);
    }
    // Both messages of one Message-ID are there: their bodies differ.
    EXPECT_EQ(written, (std::multiset<std::string>{"Budget", "Plan", "Plan", "Pat Doe"}));
    ASSERT_EQ(copies.size(), 2u);
    for (const LoadFile::Document* copy : copies) {
        EXPECT_EQ(copy->nativePath, "");
        ASSERT_TRUE(byId.count(copy->duplicateOf)) << copy->duplicateOf;
        const LoadFile::Document& original = *byId[copy->duplicateOf];
        EXPECT_EQ(original.subject, copy->subject);
        EXPECT_EQ(original.contentHash, copy->contentHash);
        EXPECT_NE(original.entryId, copy->entryId);
    }
    // The copy of the message keeps its own folder, in the manifest too.
    const auto budget =
        std::find_if(copies.begin(), copies.end(), [](auto* d) { return d->subject == "Budget"; });
    ASSERT_NE(budget, copies.end());
    EXPECT_EQ((*budget)->folderPath.substr((*budget)->folderPath.rfind('\\') + 1), "Sent Items");
    size_t copyLines = 0;
    for (const auto& e : exporting::Manifest::read(root.string() + "/")) {
        if (e.duplicateOf.empty()) continue;
        ++copyLines;
        EXPECT_EQ(e.file, "");
        EXPECT_EQ(e.custodian, "Ann Lee");
        EXPECT_TRUE(byId.count(e.docId) && byId[e.docId]->duplicateOf == e.duplicateOf);
    }
    EXPECT_EQ(copyLines, 2u);
    // A resumed run passes over the copies too, and writes nothing.
    const auto again = exportCommand(
        "-f eml --dedupe --load-file dat --custodian 'Ann Lee' "
        "--resume " +
        test::shellQuote((dir / "box.pst").string()) + " " +
        test::shellQuote((dir / "out").string()));
    EXPECT_EQ(again.status, 0) << again.out;
    EXPECT_NE(again.out.find("0 items written"), std::string::npos) << again.out;
    EXPECT_EQ(rowsOf(root).size(), rows.size());
    // Other options than the export's own are refused on resuming it.
    EXPECT_EQ(exportCommand("-f eml --load-file dat --resume " +
                            test::shellQuote((dir / "box.pst").string()) + " " +
                            test::shellQuote((dir / "out").string()))
                  .status,
              2);
    EXPECT_EQ(sha256(dir / "box.pst"), before);
}

TEST(ReviewExport, TwoCopiesOfAMailboxAreWrittenOnce) {
    test::TempDir dir;
    fs::create_directories(dir / "in");
    writeMailbox(dir / "in" / "first.pst");
    fs::copy_file(dir / "in" / "first.pst", dir / "in" / "second.pst");
    const std::string before = sha256(dir / "in" / "second.pst");
    const auto r = exportCommand("-f msg --dedupe --load-file dat --prefix CASE-1_ " +
                                 test::shellQuote((dir / "in").string()) + " " +
                                 test::shellQuote((dir / "out").string()));
    ASSERT_EQ(r.status, 0) << r.out;
    // The load file of the run: the second mailbox is all copies, of the first one's items.
    const auto rows = rowsOf(dir / "out");
    std::map<std::string, const LoadFile::Document*> byId;
    std::map<std::string, const LoadFile::Document*> firstByEntry;
    for (const auto& d : rows) {
        byId[d.begDoc] = &d;
        if (d.custodian == "first" && !d.entryId.empty()) firstByEntry[d.entryId] = &d;
    }
    size_t natives = 0;
    size_t copies = 0;
    for (const auto& d : rows) {
        EXPECT_EQ(d.begDoc.rfind("CASE-1_", 0), 0u) << d.begDoc;
        if (!d.nativePath.empty()) {
            ++natives;
            EXPECT_EQ(d.custodian, "first");
            EXPECT_TRUE(fs::is_regular_file(dir / "out" / d.nativePath)) << d.nativePath;
        }
        if (d.duplicateOf.empty()) continue;
        ++copies;
        const LoadFile::Document& original = *byId.at(d.duplicateOf);
        EXPECT_EQ(original.custodian, "first");
        EXPECT_EQ(original.duplicateOf, "");
        // An item of the second file duplicates its twin in the first, or the twin's original.
        if (d.custodian != "second") continue;
        const LoadFile::Document& twin = *firstByEntry.at(d.entryId);
        EXPECT_EQ(twin.duplicateOf.empty() ? twin.begDoc : twin.duplicateOf, d.duplicateOf);
    }
    EXPECT_EQ(natives, 5u);  // four items and one attachment
    EXPECT_EQ(copies, 8u);   // two in the first mailbox, all six of the second
    EXPECT_NE(r.out.find("Total: 4 items written"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("8 copies of items written before"), std::string::npos) << r.out;
    size_t files = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir / "out")) {
        files += e.is_regular_file() &&
                 e.path().parent_path().filename() != "Converted Outlook PST" &&
                 e.path().parent_path() != dir / "out";
    }
    EXPECT_EQ(files, 5u);
    EXPECT_EQ(sha256(dir / "in" / "second.pst"), before);
}

// Seven mailboxes over three shards, each in an OUTDIR of its own and all in one: every
// mailbox once, ids that no two shards share, and one merged load file and manifest.
class ShardedRun : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(dir / "in");
        for (int i = 1; i <= 7; ++i) {
            pstwriter::PstBuilder b;
            addMail(b.root().addFolder("Inbox", "IPF.Note"), "Mail " + std::to_string(i),
                    "Body " + std::to_string(i), "<m" + std::to_string(i) + "@example.com>");
            b.write(dir / "in" / ("box" + std::to_string(i) + ".pst"));
        }
    }
    test::CommandResult shard(int k, const std::string& outdir, const std::string& extra) {
        return exportCommand("-f eml " + extra + " --shard " + std::to_string(k) + "/3 " +
                             test::shellQuote((dir / "in").string()) + " " +
                             test::shellQuote((dir / outdir).string()));
    }
    // The mailboxes' directories that hold an export.
    std::vector<std::string> exported(const fs::path& outdir) {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(outdir)) {
            if (fs::exists(e.path() / "Converted Outlook PST" / "export-manifest.tsv")) {
                names.push_back(e.path().filename().string());
            }
        }
        return names;
    }
    test::TempDir dir;
};

TEST_F(ShardedRun, EveryMailboxOnceAndOneMergedLoadFile) {
    std::multiset<std::string> once;
    for (int k = 1; k <= 3; ++k) {
        const std::string outdir = "out/shard-" + std::to_string(k);
        const auto r = shard(k, outdir, "--load-file dat --prefix ACME");
        ASSERT_EQ(r.status, 0) << r.out;
        for (const std::string& name : exported(dir / outdir)) once.insert(name);
        EXPECT_TRUE(fs::exists(dir / outdir / ("export-shard-" + std::to_string(k) + "-of-3.tsv")));
        for (const auto& d : LoadFile::read(
                 (dir / outdir / ("export-loadfile-shard-" + std::to_string(k) + "-of-3.dat"))
                     .string())) {
            EXPECT_EQ(d.begDoc.rfind("ACME" + std::to_string(k) + "-", 0), 0u) << d.begDoc;
        }
    }
    EXPECT_EQ(once,
              (std::multiset<std::string>{"box1", "box2", "box3", "box4", "box5", "box6", "box7"}));
    // Without shard 2 the merge is refused and writes nothing.
    const auto partial =
        test::runCommand(kExport + " --merge " + test::shellQuote((dir / "out/shard-1").string()) +
                         " " + test::shellQuote((dir / "out/shard-3").string()) + " " +
                         test::shellQuote((dir / "out").string()) + " 2>&1");
    EXPECT_EQ(partial.status, 1);
    EXPECT_NE(partial.out.find("shard 2 of 3 is missing"), std::string::npos) << partial.out;
    EXPECT_FALSE(fs::exists(dir / "out" / LoadFile::kFileName));

    const auto merged =
        test::runCommand(kExport + " --merge " + test::shellQuote((dir / "out").string()) +
                         "/shard-* " + test::shellQuote((dir / "out").string()) + " 2>&1");
    ASSERT_EQ(merged.status, 0) << merged.out;
    std::set<std::string> ids;
    std::set<std::string> custodians;
    for (const auto& d : rowsOf(dir / "out")) {
        EXPECT_TRUE(ids.insert(d.begDoc).second) << d.begDoc;
        custodians.insert(d.custodian);
        EXPECT_TRUE(fs::is_regular_file(dir / "out" / d.nativePath)) << d.nativePath;
    }
    EXPECT_EQ(ids.size(), 7u);
    EXPECT_EQ(custodians.size(), 7u);
    const auto lines = exporting::Manifest::read((dir / "out").string() + "/");
    EXPECT_EQ(lines.size(), 7u);
    for (const auto& e : lines) EXPECT_EQ(sha256(dir / "out" / e.file), e.sha256) << e.file;
}

// Each shard leaves out only its own copies; the merge with --dedupe lists a mailbox's twin in
// another shard as copies of it, without its attachments' rows.
TEST_F(ShardedRun, TheMergeFindsCopiesAcrossShards) {
    std::string twin;
    for (int i = 0; twin.empty(); ++i) {
        const std::string name = "twin" + std::to_string(i) + ".pst";
        if (exporting::shardOf(name, 3) != exporting::shardOf("box1.pst", 3)) twin = name;
    }
    pstwriter::PstBuilder b;
    addMail(b.root().addFolder("Inbox", "IPF.Note"), "Mail 1", "Body 1", "<m1@example.com>")
        .addAttachment("a.txt", pstwriter::ByteVec{'a'});
    b.write(dir / "in" / "box1.pst");
    b.write(dir / "in" / twin);
    for (int k = 1; k <= 3; ++k) {
        ASSERT_EQ(shard(k, "out/" + std::to_string(k), "--load-file dat --dedupe").status, 0);
    }
    const auto merged =
        test::runCommand(kExport + " --merge --dedupe " + test::shellQuote((dir / "out").string()) +
                         "/? " + test::shellQuote((dir / "out").string()) + " 2>&1");
    ASSERT_EQ(merged.status, 0) << merged.out;
    EXPECT_NE(merged.out.find("1 items of one export were copies of items of another"),
              std::string::npos)
        << merged.out;
    const auto rows = rowsOf(dir / "out");
    std::map<std::string, const LoadFile::Document*> byId;
    for (const auto& d : rows) byId[d.begDoc] = &d;
    size_t copies = 0;
    for (const auto& d : rows) {
        if (!d.parentDocId.empty()) {
            EXPECT_TRUE(byId.count(d.parentDocId)) << d.begDoc;
        }
        if (d.duplicateOf.empty()) continue;
        ++copies;
        EXPECT_EQ(d.subject, "Mail 1");
        EXPECT_EQ(d.nativePath, "");
        EXPECT_EQ(byId.at(d.duplicateOf)->contentHash, d.contentHash);
        EXPECT_NE(byId.at(d.duplicateOf)->custodian, d.custodian);
    }
    EXPECT_EQ(copies, 1u);
    EXPECT_EQ(rows.size(), 8u + 1u);  // eight mailboxes, one attachment written
}

TEST_F(ShardedRun, ShardsThatShareOneOutdirNameEveryMailboxAlike) {
    for (int k = 1; k <= 3; ++k) ASSERT_EQ(shard(k, "all", "").status, 0);
    const auto names = exported(dir / "all");
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), 7u);
    EXPECT_EQ(names.size(), 7u);
    const auto merged =
        test::runCommand(kExport + " --merge " + test::shellQuote((dir / "all").string()) + " " +
                         test::shellQuote((dir / "all").string()) + " 2>&1");
    ASSERT_EQ(merged.status, 0) << merged.out;
    EXPECT_EQ(exporting::Manifest::read((dir / "all").string() + "/").size(), 7u);
    // A shard stopped before its end holds the merge back until it is resumed.
    test::writeFile(dir / "all" / "export-shard-2-of-3.tsv",
                    "shard\t2\nshards\t3\nmailboxes\t7\nstate\tstopped\n");
    const auto held =
        test::runCommand(kExport + " --merge " + test::shellQuote((dir / "all").string()) + " " +
                         test::shellQuote((dir / "all").string()) + " 2>&1");
    EXPECT_EQ(held.status, 1);
    EXPECT_NE(held.out.find("shard 2 of 3 was stopped"), std::string::npos) << held.out;
}

}  // namespace
}  // namespace pellmark::cli
