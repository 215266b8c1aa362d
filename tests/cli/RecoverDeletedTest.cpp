// --recover deleted on a generated mailbox whose deleted messages lie in its free space: each
// comes out below "Recovered items/Deleted" in its folder's place, marked in the manifest with
// how it was found and known by an id of its own; a resumed run passes over them; without the
// option nothing of them is written; the mailbox file is never changed.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "base/Sha256.h"
#include "cli/ExportCommand.h"
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

}  // namespace
}  // namespace pellmark::cli
