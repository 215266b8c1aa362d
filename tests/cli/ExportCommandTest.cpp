// `pellmark-export --format`: the run from the command line, its exit status and summary.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "cli/ExportCommand.h"
#include "mapi/Tags.h"
#include "pst/messaging/Folder.h"
#include "pst/messaging/PstFile.h"
#include "pstwriter/GeneratedContent.h"
#include "pstwriter/messaging/PstBuilder.h"
#include "support/TestFiles.h"

namespace pellmark::cli {
namespace {

struct ExportRun {
    int status;
    std::string out, err;
};

ExportRun exportTo(ExportOptions o) {
    std::ostringstream out, err;
    const int status = runExport(o, out, err);
    return {status, out.str(), err.str()};
}

size_t filesUnder(const std::filesystem::path& dir, const std::string& ext) {
    size_t n = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
        n += e.is_regular_file() && e.path().extension() == ext;
    }
    return n;
}

TEST(ExportCommand, EveryTreeFolderMirroredUnderTheExportRoot) {
    PELLMARK_SAMPLE_OR_SKIP(pst, "pst/npm-pst-extractor__enron.pst");
    test::TempDir dir;
    ExportRun r = exportTo({"txt", {}, pst.string(), dir.path().string(), false});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("71 items written, 0 failed"), std::string::npos) << r.out;
    const auto root = dir / "Converted Outlook PST" / "Personal folders";
    EXPECT_EQ(filesUnder(root / "lokay-m" / "MLOKAY (Non-Privileged)" / "Personal", ".txt"), 47u);
    EXPECT_EQ(filesUnder(dir.path(), ".txt"), 71u);
    EXPECT_NE(r.err.find("folder 7/7: Personal"), std::string::npos) << r.err;  // plain lines
}

// iCalendar files hold events, tasks and journal entries: those folders are written, contacts
// leave as vCards as in every format, and mail folders are named as passed over.
TEST(ExportCommand, IcsWritesCalendarTaskAndJournalFolders) {
    PELLMARK_SAMPLE_OR_SKIP(pst, "pst/hughbe-hughbe__hughbe_Outlook.pst");
    test::TempDir dir;
    ExportRun r = exportTo({"ics", {}, pst.string(), dir.path().string(), false});
    EXPECT_EQ(r.status, 0) << r.err;
    const auto root = dir / "Converted Outlook PST" / "Personal Folders";
    EXPECT_EQ(filesUnder(root / "Calendar", ".ics"), 1u);
    EXPECT_EQ(filesUnder(root / "Tasks", ".ics"), 1u);
    EXPECT_EQ(filesUnder(root / "Journal", ".ics"), 1u);
    EXPECT_EQ(filesUnder(root / "Contacts", ".vcf"), 2u);  // the contact, and its list as a group
    EXPECT_EQ(filesUnder(dir.path(), ".ics"), 3u);
    EXPECT_NE(r.out.find("1 items of folders that are not calendar, task or journal folders were "
                         "passed over (ics writes those only): Personal Folders\\Drafts;"),
              std::string::npos)
        << r.out;
}

// The manifest's hash of every file, whether the writer hashed what it wrote or the file was
// read back, is the one an independent tool computes.
TEST(ExportCommand, TheManifestHashesEveryFileAsSha256sumDoes) {
    test::TempDir dir;
    pstwriter::PstBuilder b;
    auto& inbox = b.root().addFolder("Inbox", "IPF.Note");
    inbox.addMessage().setSubject("Plain").setBody("one line");
    inbox.addMessage()
        .setSubject("R\xc3\xa9sum\xc3\xa9 attached")
        .setBody("see attached")
        .addAttachment("r\xc3\xa9sum\xc3\xa9.bin",
                       std::make_shared<pstwriter::GeneratedContent>(700 * 1024, 3));
    b.write(dir / "m.pst");
    for (const char* format : {"eml", "mht", "msg", "html", "txt", "rtf"}) {
        const auto out = dir / format;
        ExportRun r = exportTo({format, {}, (dir / "m.pst").string(), out.string(), false});
        ASSERT_EQ(r.status, 0) << format << r.err;
        const auto root = out / "Converted Outlook PST";
        std::ifstream manifest(root / "export-manifest.tsv");
        std::ofstream sums(dir / "sums");
        std::string line;
        std::getline(manifest, line);  // the column names
        size_t files = 0;
        while (std::getline(manifest, line)) {
            std::vector<std::string> f;
            std::istringstream fields(line);
            for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
            ASSERT_GE(f.size(), 6u) << line;
            sums << f[5] << "  " << f[3] << "\n";
            ++files;
        }
        sums.close();
        EXPECT_EQ(files, std::string(format) == "html" ? 3u : 2u) << format;
        const auto check =
            test::runCommand("cd " + test::shellQuote(root.string()) + " && sha256sum --quiet -c " +
                             test::shellQuote((dir / "sums").string()));
        EXPECT_EQ(check.status, 0) << format << ": " << check.out;
    }
}

TEST(ExportCommand, ChosenFoldersOnlyAndHtmlAttachmentsBeside) {
    PELLMARK_SAMPLE_OR_SKIP(pst,
                            "pst/hughbe-simiden-pst2john__2003_high-encryption_quickquick.pst");
    test::TempDir dir;
    ExportRun r = exportTo(
        {"html", {"\\\\quickquick\\Deleted Items"}, pst.string(), dir.path().string(), false});
    EXPECT_EQ(r.status, 0) << r.err;
    const auto folder = dir / "Converted Outlook PST" / "quickquick" / "Deleted Items";
    EXPECT_EQ(filesUnder(folder, ".html"), 36u);
    size_t others = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        others += e.path().extension() != ".html";
    EXPECT_GE(others, 100u) << "attachments are written beside the pages";
}

// Items Outlook keeps where the folder tree has no folder node of the usual kind: in the top
// folder itself, in IMAP folders and folders whose class extends a known one, and items of
// other kinds in a contact folder.
TEST(ExportCommand, ItemsOutsideTheUsualFoldersAreExportedToo) {
    test::TempDir dir;
    pstwriter::PstBuilder b;
    b.options().storeName = "Box";
    b.root().addMessage().setSubject("At the top");
    b.root().addFolder("imap", "IPF.Imap").addMessage().setSubject("Over IMAP");
    b.root().addFolder("Quick", "IPF.Contact.MOC.QuickContacts").addMessage("IPM.Contact");
    auto& contacts = b.root().addFolder("Contacts", "IPF.Contact");
    contacts.addMessage("IPM.AbchPerson").setString(mapi::prop::kDisplayName, "Abch Person");
    contacts.addMessage("IPM.Note").setSubject("Mail among contacts");
    contacts.addMessage("IPM.DistList").setSubject("A list");
    b.write(dir / "box.pst");

    ExportRun eml =
        exportTo({"eml", {}, (dir / "box.pst").string(), (dir / "eml").string(), false});
    EXPECT_EQ(eml.status, 0) << eml.out << eml.err;
    EXPECT_NE(eml.out.find("5 items written, 0 failed, 1 skipped"), std::string::npos) << eml.out;
    const auto box = dir / "eml" / "Converted Outlook PST" / "Box";
    EXPECT_EQ(filesUnder(box, ".eml"), 3u);  // top, IMAP, the mail among contacts
    EXPECT_EQ(filesUnder(box / "Contacts", ".vcf"), 1u);
    EXPECT_EQ(filesUnder(box / "Quick", ".vcf"), 1u);
    bool topItem = false;
    for (const auto& e : std::filesystem::directory_iterator(box)) {
        topItem |= e.path().filename().string().rfind("At the top", 0) == 0;
    }
    EXPECT_TRUE(topItem) << "the top folder's item goes into the store's directory";

    // With vCards chosen, a contact folder's other items go out as text; the top folder can be
    // chosen by its path.
    ExportRun vcf = exportTo({"vcf",
                              {"\\\\Box", "\\\\Box\\Contacts"},
                              (dir / "box.pst").string(),
                              (dir / "vcf").string(),
                              false});
    EXPECT_EQ(vcf.status, 0) << vcf.err;
    // ... and its distribution list as a vCard group.
    EXPECT_NE(vcf.out.find("3 items written, 0 failed, 0 skipped"), std::string::npos) << vcf.out;
    EXPECT_EQ(filesUnder(dir / "vcf" / "Converted Outlook PST" / "Box" / "Contacts", ".vcf"), 2u);
    EXPECT_EQ(filesUnder(dir / "vcf" / "Converted Outlook PST" / "Box" / "Contacts", ".txt"), 1u);
}

// Changes one byte of the data block of node `nid`, so that its CRC no longer matches.
void damageNode(const std::filesystem::path& pst, pst::NodeId nid) {
    uint64_t at = 0;
    {
        auto file = pst::PstFile::open(pst);
        at = file->ndb().findBlock(file->ndb().findNode(nid)->bidData)->ib + 8;
    }
    std::fstream f(pst, std::ios::in | std::ios::out | std::ios::binary);
    f.seekg(static_cast<std::streamoff>(at));
    const char old = static_cast<char>(f.get());
    f.seekp(static_cast<std::streamoff>(at));
    f.put(static_cast<char>(old ^ 0x5A));
}

// A folder whose tables cannot be read is damage, never an empty folder: it is named as
// failed, and the items no folder can reach any more are recovered.
TEST(ExportCommand, UnreadableTablesAreNamedAndTheirItemsRecovered) {
    test::TempDir dir;
    pstwriter::PstBuilder b;
    b.options().storeName = "Box";
    auto& inbox = b.root().addFolder("Inbox", "IPF.Note");
    inbox.addMessage().setSubject("In the inbox");
    auto& sub = inbox.addFolder("Sub", "IPF.Note");
    sub.addMessage().setSubject("Below one");
    sub.addMessage().setSubject("Below two");
    b.root().addFolder("Notes", "IPF.Note").addMessage().setSubject("A note");
    b.write(dir / "box.pst");
    pst::NodeId inboxId, notesId;
    {
        auto file = pst::PstFile::open(dir / "box.pst");
        for (pst::NodeId id : file->ipmSubtree().subfolderIds()) {
            const std::string name = file->folder(id).displayName();
            if (name == "Inbox") inboxId = id;
            if (name == "Notes") notesId = id;
        }
    }
    damageNode(dir / "box.pst", inboxId.withType(pst::NodeType::HierarchyTable));
    damageNode(dir / "box.pst", notesId.withType(pst::NodeType::ContentsTable));

    ExportRun r = exportTo({"txt", {}, (dir / "box.pst").string(), (dir / "out").string(), false});
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("4 items written, 0 failed"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("3 of them no folder listed any more"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Failures in: Box\\Inbox\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Failures in: Box\\Notes\n"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("subfolders cannot be read"), std::string::npos) << r.err;
    const auto root = dir / "out" / "Converted Outlook PST";
    EXPECT_EQ(filesUnder(root / "Box" / "Inbox", ".txt"), 1u);
    EXPECT_EQ(filesUnder(root / "Recovered items", ".txt"), 3u);

    // A Maildir export recovers them into a folder of the store's tree, where IMAP shows them.
    ExportRun md =
        exportTo({"maildir", {}, (dir / "box.pst").string(), (dir / "md").string(), false});
    EXPECT_EQ(md.status, 1) << md.out << md.err;
    const auto recovered = dir / "md" / "Converted Outlook PST" / "Box" / ".Recovered items";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(recovered / "cur"), {}), 3);
}

TEST(ExportCommand, BadUsageAndUnreadableFilesExitTwo) {
    PELLMARK_SAMPLE_OR_SKIP(pst, "pst/pstsdk__sample1.pst");
    test::TempDir dir;
    ExportRun badFormat = exportTo({"docx", {}, pst.string(), dir.path().string(), false});
    EXPECT_EQ(badFormat.status, 2);
    EXPECT_NE(badFormat.err.find("unknown format 'docx'"), std::string::npos);
    ExportRun badFolder =
        exportTo({"txt", {"\\\\sample1\\Nope"}, pst.string(), dir.path().string(), false});
    EXPECT_EQ(badFolder.status, 2);
    EXPECT_NE(badFolder.err.find("--list"), std::string::npos);
    test::writeFile(dir / "notes.pst", "not a mailbox");
    ExportRun badFile =
        exportTo({"txt", {}, (dir / "notes.pst").string(), dir.path().string(), false});
    EXPECT_EQ(badFile.status, 2);
    EXPECT_NE(badFile.err.find("notes.pst"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "Converted Outlook PST"));
}

TEST(ExportCommand, DamagedItemsAreNamedAndExitOne) {
    PELLMARK_SAMPLE_OR_SKIP(sample, "pst/hht__threeItems.pst");
    test::TempDir dir;
    const auto copy = dir / "d.pst";
    std::filesystem::copy_file(sample, copy);
    {
        auto file = pst::PstFile::open(copy);
        auto id = file->folder(file->ipmSubtree().subfolderIds().back()).messageIds().at(0);
        auto block = file->ndb().findBlock(file->ndb().findNode(id)->bidData);
        std::fstream f(copy, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(block->ib + 30));
        f.put('\x5A');
    }
    ExportRun r = exportTo({"txt", {}, copy.string(), (dir / "out").string(), true});
    EXPECT_EQ(r.status, 1);
    // Two items in folders and one in the top folder, which is exported too.
    EXPECT_NE(r.out.find("3 items written, 1 failed"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Failures in: "), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("CRC"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("items/s"), std::string::npos) << "a terminal gets the bar";
}

}  // namespace
}  // namespace pellmark::cli
