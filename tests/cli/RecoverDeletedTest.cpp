// --recover deleted on a generated mailbox whose deleted messages lie in its free space: each
// comes out below "Recovered items/Deleted" in its folder's place, marked in the manifest with
// how it was found and known by an id of its own; a resumed run passes over them; without the
// option nothing of them is written; the mailbox file is never changed. In an export for review
// a recovered item is a document like any other, and never left out as a copy.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "base/Sha256.h"
#include "cli/ExportCommand.h"
#include "export/LoadFile.h"
#include "export/Manifest.h"
#include "pstwriter/messaging/PstWriter.h"
#include "support/TestFiles.h"

namespace pellmark::cli {
namespace {

namespace fs = std::filesystem;

fs::path writeMailbox(const test::TempDir& dir) {
    const fs::path pst = dir / "deleted.pst";
    pstwriter::PstWriter w(pst);
    const auto inbox = w.openFolder(w.ipmSubtree(), "Inbox", std::string("IPF.Note"));
    const auto projects = w.openFolder(inbox, "Projects", std::string("IPF.Note"));
    pstwriter::Message live;
    live.setSubject("Still here").setBody("live");
    w.addMessage(inbox, live);
    pstwriter::Message gone;
    gone.setSubject("Gone").setBody("deleted").addAttachment("a.txt", pstwriter::ByteVec(100, 'a'));
    w.addDeletedMessage(inbox, gone);
    pstwriter::Message goneToo;
    goneToo.setSubject("Gone too").setBody("deleted below");
    w.addDeletedMessage(projects, goneToo);
    w.closeFolder(projects);
    w.closeFolder(inbox);
    w.finish();
    return pst;
}

ExportOptions recovering(const fs::path& pst, const fs::path& out) {
    ExportOptions o;
    o.format = "msg";
    o.file = pst.string();
    o.outputDirectory = out.string();
    o.recoverDeleted = true;
    o.verbosity = Verbosity::Quiet;
    return o;
}

TEST(RecoverDeleted, DeletedMessagesComeOutInTheirFoldersPlaceMarkedInTheManifest) {
    test::TempDir dir;
    const fs::path pst = writeMailbox(dir);
    const std::string before = base::sha256OfFile(pst.string());
    std::ostringstream out, err;
    ASSERT_EQ(runExport(recovering(pst, dir / "out"), out, err), 0) << err.str();
    EXPECT_NE(out.str().find("2 deleted items and earlier versions of items recovered"),
              std::string::npos)
        << out.str();

    const std::string root = (dir / "out/Converted Outlook PST/").string();
    const auto entries = exporting::Manifest::read(root);
    std::map<std::string, exporting::Manifest::Entry> bySubject;
    std::set<std::string> ids;
    for (const auto& e : entries) {
        bySubject[e.subject] = e;
        EXPECT_TRUE(ids.insert(e.entryId).second) << e.entryId;
        EXPECT_TRUE(fs::exists(root + e.file)) << e.file;
    }
    ASSERT_EQ(bySubject.size(), 3u);
    EXPECT_EQ(bySubject["Still here"].recovered, "");
    EXPECT_EQ(bySubject["Gone"].folderPath, "\\\\Recovered items\\Deleted\\Inbox");
    EXPECT_EQ(bySubject["Gone"].file.rfind("Recovered items/Deleted/Inbox/Gone", 0), 0u);
    EXPECT_EQ(bySubject["Gone too"].folderPath, "\\\\Recovered items\\Deleted\\Inbox\\Projects");
    for (const char* subject : {"Gone", "Gone too"}) {
        EXPECT_EQ(bySubject[subject].recovered.rfind("deleted; node entry on replaced", 0), 0u)
            << bySubject[subject].recovered;
    }

    // A resumed run finds every item written whole, the recovered ones too.
    std::ostringstream again, againErr;
    ExportOptions resume = recovering(pst, dir / "out");
    resume.resume = true;
    ASSERT_EQ(runExport(resume, again, againErr), 0) << againErr.str();
    EXPECT_NE(again.str().find("3 items were written whole before"), std::string::npos)
        << again.str();
    EXPECT_EQ(exporting::Manifest::read(root).size(), entries.size());

    // Without the option nothing deleted is written, and the manifest has no such field.
    std::ostringstream plain, plainErr;
    ExportOptions live = recovering(pst, dir / "live");
    live.recoverDeleted = false;
    ASSERT_EQ(runExport(live, plain, plainErr), 0) << plainErr.str();
    const auto liveEntries =
        exporting::Manifest::read((dir / "live/Converted Outlook PST/").string());
    ASSERT_EQ(liveEntries.size(), 1u);
    EXPECT_EQ(liveEntries.front().subject, "Still here");
    EXPECT_FALSE(fs::exists(dir / "live/Converted Outlook PST/Recovered items"));

    EXPECT_EQ(base::sha256OfFile(pst.string()), before);
}

TEST(RecoverDeleted, ARecoveredItemIsADocumentAndNeverACopy) {
    test::TempDir dir;
    const fs::path pst = dir / "twins.pst";
    {
        pstwriter::PstWriter w(pst);
        const auto inbox = w.openFolder(w.ipmSubtree(), "Inbox", std::string("IPF.Note"));
        pstwriter::Message twin;
        twin.setSubject("Twin").setBody("the same words");
        w.addMessage(inbox, twin);
        w.addDeletedMessage(inbox, twin);
        w.closeFolder(inbox);
        w.finish();
    }
    ExportOptions review = recovering(pst, dir / "out");
    review.loadFile = "dat";
    review.dedupe = true;
    std::ostringstream out, err;
    ASSERT_EQ(runExport(review, out, err), 0) << err.str();

    const std::string root = (dir / "out/Converted Outlook PST/").string();
    const auto entries = exporting::Manifest::read(root);
    ASSERT_EQ(entries.size(), 2u);
    // The deleted one equals the live one, which was written first: yet both are written.
    EXPECT_EQ(entries[0].contentHash, entries[1].contentHash);
    EXPECT_FALSE(entries[0].contentHash.empty());
    std::set<std::string> recovered;
    for (const auto& e : entries) {
        EXPECT_EQ(e.duplicateOf, "") << e.folderPath;
        EXPECT_FALSE(e.file.empty());
        EXPECT_FALSE(e.docId.empty());
        if (!e.recovered.empty()) recovered.insert(e.folderPath);
    }
    EXPECT_EQ(recovered, std::set<std::string>{"\\\\Recovered items\\Deleted\\Inbox"});
    const auto rows = exporting::LoadFile::read(root + exporting::LoadFile::kFileName);
    ASSERT_EQ(rows.size(), 2u);
    for (const auto& row : rows) EXPECT_EQ(row.duplicateOf, "") << row.folderPath;
    EXPECT_NE(rows[0].begDoc, rows[1].begDoc);

    // A resume is refused with other recovery settings and with other review options.
    ExportOptions plain = review;
    plain.recoverDeleted = false;
    plain.resume = true;
    std::ostringstream o1, e1;
    EXPECT_NE(runExport(plain, o1, e1), 0);
    ExportOptions noDedupe = review;
    noDedupe.dedupe = false;
    noDedupe.resume = true;
    std::ostringstream o2, e2;
    EXPECT_NE(runExport(noDedupe, o2, e2), 0);
    ExportOptions same = review;
    same.resume = true;
    std::ostringstream o3, e3;
    ASSERT_EQ(runExport(same, o3, e3), 0) << e3.str();
    EXPECT_NE(o3.str().find("2 items were written whole before"), std::string::npos) << o3.str();
    EXPECT_EQ(exporting::LoadFile::read(root + exporting::LoadFile::kFileName).size(), 2u);
}

}  // namespace
}  // namespace pellmark::cli
