// The load file's rows as review platforms read them, document ids that are never handed out
// twice, shards that every machine reckons alike, and what a resumed export for review keeps.

#include "export/LoadFile.h"

#include <gtest/gtest.h>

#include <fstream>

#include "base/Sha256.h"
#include "export/Manifest.h"
#include "export/Production.h"
#include "support/TestFiles.h"

namespace pellmark::exporting {
namespace {

namespace fs = std::filesystem;

LoadFile::Document document(const std::string& id, const std::string& subject) {
    LoadFile::Document d;
    d.begDoc = d.endDoc = d.begAttach = d.endAttach = id;
    d.subject = subject;
    return d;
}

TEST(LoadFile, FieldsReadBackWhateverTheyHold) {
    // A quote inside is doubled, the delimiter inside stays quoted, line breaks of every kind
    // become the newline marker.
    LoadFile::Document d = document("DOC00000001", "\xc3\xbe\x14 \xc2\xae");
    d.from = "first\r\nsecond\nthird\rfourth";
    const std::string row = LoadFile::rowOf(d);
    EXPECT_EQ(row.substr(row.size() - 2), "\r\n");
    EXPECT_EQ(row.find('\n'), row.size() - 1);
    const auto back = LoadFile::parseRow(row);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->subject, d.subject);
    EXPECT_EQ(back->from,
              "first\xc2\xae"
              "second\xc2\xae"
              "third\xc2\xae"
              "fourth");
    EXPECT_EQ(back->endAttach, "DOC00000001");
    EXPECT_EQ(LoadFile::header().rfind("\xef\xbb\xbf\xc3\xbe"
                                       "BEGDOC\xc3\xbe\x14",
                                       0),
              0u);
    EXPECT_FALSE(LoadFile::parseRow(LoadFile::header()));
    EXPECT_FALSE(LoadFile::parseRow(row.substr(0, row.size() / 2)));
}

TEST(LoadFile, AFamilyIsWrittenWholeOrTakenBack) {
    test::TempDir dir;
    const std::string root = dir.path().string() + "/";
    {
        LoadFile file(root);
        LoadFile::Document item = document("DOC00000001", "one");
        item.nativePath = root + "Inbox/one.msg";
        file.record({item, document("DOC00000002", "")});
        file.record({document("DOC00000003", "two")});
        file.retract();
    }
    // A run killed in the middle of a row: the next run starts on a row of its own.
    std::ofstream(root + LoadFile::kFileName, std::ios::app) << "\xc3\xbe"
                                                                "DOC0000";
    LoadFile(root).record({document("DOC00000004", "four")});
    const auto rows = LoadFile::read(root + LoadFile::kFileName);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].nativePath, "Inbox/one.msg");
    EXPECT_EQ(rows[2].begDoc, "DOC00000004");
    LoadFile::keepOnly(root, {"DOC00000002"});
    ASSERT_EQ(LoadFile::read(root + LoadFile::kFileName).size(), 1u);
}

TEST(Production, NoDocumentIdIsHandedOutTwice) {
    Production p({true, false, "ACME", 0, 0});
    EXPECT_EQ(p.nextId(), "ACME00000001");
    p.passOver("ACME00000041");
    p.passOver("ACME00000007");
    p.passOver("OTHER00000099");
    p.passOver("ACME0000004x");
    EXPECT_EQ(p.nextId(), "ACME00000042");
    Production shard({true, false, "ACME", 3, 16});
    shard.passOver("ACME00000041");  // not this shard's
    EXPECT_EQ(shard.nextId(), "ACME03-00000001");
    // Written as the original of a content hash once: the first stays.
    shard.written("h", "ACME03-00000001");
    shard.written("h", "ACME03-00000002");
    EXPECT_EQ(shard.originalOf("h"), "ACME03-00000001");
    EXPECT_TRUE(shard.isOriginal("ACME03-00000001"));
    EXPECT_FALSE(shard.isOriginal("ACME03-00000002"));
}

// The hash of a mailbox's path decides its shard on every machine, in every version.
TEST(Production, ShardsAreReckonedAlikeEverywhere) {
    EXPECT_EQ(shardOf("alice.pst", 16), 14);
    EXPECT_EQ(shardOf("bob.ost", 2), 2);
    EXPECT_EQ(shardOf("/cases/acme/carol.pst", 16), 13);
    std::vector<int> sizes(8);
    for (int i = 0; i < 800; ++i) sizes[shardOf("box" + std::to_string(i) + ".pst", 8) - 1] += 1;
    for (int size : sizes) EXPECT_GT(size, 60);
}

// A copy left out stays so only while its original is still there, here or in a mailbox
// exported before; an item whose documents the load file does not list is written again.
TEST(ResumePoint, KeepsWhatTheLoadFileAndTheOriginalsStillHold) {
    test::TempDir dir;
    const std::string root = dir.path().string() + "/";
    test::writeFile(dir / "a.msg", "original");
    test::writeFile(dir / "b.msg", "unlisted");
    {
        Manifest m(root, Manifest::Layout{Manifest::Fields::Review});
        auto line = [&](const std::string& entry, const std::string& file,
                        const std::string& content, const std::string& doc,
                        const std::string& copyOf) {
            Manifest::Entry e{entry,
                              "\\\\F",
                              "s",
                              file.empty() ? "" : root + file,
                              content.size(),
                              content.empty() ? "" : "x"};
            if (!content.empty()) e.sha256 = base::sha256OfFile(root + file);
            e.docId = doc;
            e.duplicateOf = copyOf;
            e.contentHash = "h-" + entry;
            return std::vector<Manifest::Entry>{e};
        };
        m.record(line("A", "a.msg", "original", "D1", ""));
        m.record(line("B", "b.msg", "unlisted", "D2", ""));
        m.record(line("C", "", "", "D3", "D1"));  // a copy of A
        m.record(line("E", "", "", "D4", "X9"));  // of a document of another mailbox
        m.record(line("G", "", "", "D5", "X8"));  // of one that is gone
        m.record(line("H", "", "", "D6", "D2"));  // of B, which is written again
    }
    const std::unordered_set<std::string> listed{"D1", "D3", "D4", "D5", "D6"};
    ResumePoint::Checks checks;
    checks.listed = &listed;
    checks.keptElsewhere = [](const std::string& id) { return id == "X9"; };
    const ResumePoint resume(root, checks);
    for (const char* done : {"A", "C", "E"}) EXPECT_TRUE(resume.done(done)) << done;
    for (const char* again : {"B", "G", "H"}) EXPECT_FALSE(resume.done(again)) << again;
    EXPECT_FALSE(fs::exists(dir / "b.msg"));
    EXPECT_EQ(resume.keptDocuments(), (std::unordered_set<std::string>{"D1", "D3", "D4"}));
    ASSERT_EQ(resume.keptOriginals().size(), 1u);
    EXPECT_EQ(resume.keptOriginals()[0], (std::pair<std::string, std::string>{"h-A", "D1"}));
    EXPECT_EQ(Manifest::read(root).size(), 3u);
    EXPECT_EQ(Manifest::layoutOf(root), Manifest::Layout{Manifest::Fields::Review});
}

}  // namespace
}  // namespace pellmark::exporting
