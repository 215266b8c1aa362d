// Deleted messages left in the file's free space by the fixture writer, as Outlook leaves them:
// every one whose blocks are intact comes back with what it held, one whose subnodes are
// overwritten comes back without them, one whose properties are overwritten does not, and
// nothing of them reaches the live folders.

#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "mapi/Tags.h"
#include "pst/messaging/DeletedMessages.h"
#include "pst/messaging/Folder.h"
#include "pst/messaging/Items.h"
#include "pst/messaging/PstFile.h"
#include "pst/ndb/FileScan.h"
#include "pstwriter/messaging/PstWriter.h"
#include "support/TestFiles.h"

namespace pellmark::pst {
namespace {

using pstwriter::PstWriter;

struct Written {
    uint32_t inbox = 0, projects = 0;
    std::map<std::string, uint32_t> deleted;  // by subject
};

pstwriter::Message mail(const std::string& subject) {
    pstwriter::Message m;
    m.setSubject(subject).setBody("Body of " + subject).setSender("Ann", "ann@example.com");
    m.addRecipient("Bob", "bob@example.com");
    return m;
}

Written writeMailbox(const std::filesystem::path& path, pstwriter::Format format) {
    pstwriter::WriteOptions options;
    options.format = format;
    PstWriter w(path, options);
    Written out;
    out.inbox = w.openFolder(w.ipmSubtree(), "Inbox", std::string("IPF.Note"));
    out.projects = w.openFolder(out.inbox, "Projects", std::string("IPF.Note"));
    w.addMessage(out.inbox, mail("Live one"));
    pstwriter::Message withAttachment = mail("Deleted with attachment");
    withAttachment.addAttachment("notes.txt", pstwriter::ByteVec(20000, 'n'));
    out.deleted["Deleted with attachment"] = w.addDeletedMessage(out.inbox, withAttachment);
    out.deleted["Deleted plain"] = w.addDeletedMessage(out.inbox, mail("Deleted plain"));
    w.addMessage(out.inbox, mail("Live two"));
    out.deleted["Deleted in a subfolder"] =
        w.addDeletedMessage(out.projects, mail("Deleted in a subfolder"));
    // Its blocks' index entries are gone too: they are found by their trailers alone.
    out.deleted["Deleted, blocks by trailer"] =
        w.addDeletedMessage(out.inbox, mail("Deleted, blocks by trailer"), false);
    out.deleted["Deleted, then overwritten"] =
        w.addDeletedMessage(out.inbox, mail("Deleted, then overwritten"));
    w.closeFolder(out.projects);
    w.closeFolder(out.inbox);
    w.finish();
    return out;
}

// Overwrites the first bytes of the block `bid` lies in, as a later write over freed space
// would.
void overwriteBlock(const std::filesystem::path& path, BlockId bid) {
    uint64_t ib = 0;
    {
        auto file = PstFile::open(path);
        const auto places = file->fileScan().placesOf(bid);
        ASSERT_FALSE(places.empty());
        ib = places.front().ib;
    }
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(ib));
    f.write("overwritten", 11);
}

class DeletedMessagesTest : public ::testing::TestWithParam<pstwriter::Format> {};

TEST_P(DeletedMessagesTest, IntactOnesComeBackWholeOrWithoutWhatIsOverwritten) {
    test::TempDir dir;
    const auto path = dir / "deleted.pst";
    const Written written = writeMailbox(path, GetParam());
    {
        auto file = PstFile::open(path);
        // The live folders list only the live messages, and none of the deleted ones is an
        // item no folder lists.
        std::set<std::string> live;
        for (NodeId id : file->folder(NodeId(written.inbox)).messageIds()) {
            live.insert(file->message(id).subject());
        }
        EXPECT_EQ(live, (std::set<std::string>{"Live one", "Live two"}));
        EXPECT_TRUE(file->unreachableMessages().empty());
        // The overwritten ones' blocks are found before they are spoilt.
        const DeletedMessages before = findDeletedMessages(file);
        ASSERT_EQ(before.recovered.size(), written.deleted.size());
    }
    auto entryOf = [&](const std::string& subject) {
        auto file = PstFile::open(path);
        for (const ScannedNode& s : file->fileScan().nodes()) {
            if (s.entry.nid.value == written.deleted.at(subject)) return s.entry;
        }
        throw std::runtime_error("not found: " + subject);
    };
    overwriteBlock(path, entryOf("Deleted, then overwritten").bidData);
    // The attachment's subnode tree: its data and attachments are gone, its properties stay.
    overwriteBlock(path, entryOf("Deleted with attachment").bidSub);

    auto file = PstFile::open(path);
    const DeletedMessages found = findDeletedMessages(file);
    std::map<std::string, RecoveredMessage> bySubject;
    for (const RecoveredMessage& r : found.recovered) {
        bySubject[recoveredMessage(file, r).subject()] = r;
        EXPECT_TRUE(r.deleted);
        EXPECT_FALSE(r.earlierVersion);
        EXPECT_TRUE(r.pageInFreeSpace);
    }
    ASSERT_EQ(bySubject.size(), 4u);
    ASSERT_EQ(found.overwritten.size(), 1u);
    EXPECT_EQ(found.overwritten.front().entry.nid.value,
              written.deleted.at("Deleted, then overwritten"));

    for (const std::string subject :
         {"Deleted plain", "Deleted in a subfolder", "Deleted, blocks by trailer"}) {
        SCOPED_TRACE(subject);
        ASSERT_TRUE(bySubject.count(subject));
        const RecoveredMessage& r = bySubject.at(subject);
        EXPECT_FALSE(r.inPart);
        EXPECT_EQ(r.entry.nidParent.value,
                  subject == "Deleted in a subfolder" ? written.projects : written.inbox);
        auto item = itemOf(recoveredMessage(file, r));
        EXPECT_EQ(item->string(mapi::prop::kBody).value_or(""), "Body of " + subject);
        ASSERT_EQ(item->recipients().size(), 1u);
        EXPECT_EQ(item->recipients().front().text(mapi::prop::kDisplayName), "Bob");
        EXPECT_EQ(howFound(r).rfind("deleted; node entry on replaced node index page", 0), 0u)
            << howFound(r);
    }
    const RecoveredMessage& part = bySubject.at("Deleted with attachment");
    EXPECT_TRUE(part.inPart);
    auto item = itemOf(recoveredMessage(file, part));
    EXPECT_EQ(item->string(mapi::prop::kBody).value_or(""), "Body of Deleted with attachment");
    EXPECT_EQ(item->attachmentCount(), 0u);
    EXPECT_NE(howFound(part).find("in part"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Formats, DeletedMessagesTest,
                         ::testing::Values(pstwriter::Format::Unicode, pstwriter::Format::Ansi),
                         [](const auto& info) {
                             return info.param == pstwriter::Format::Ansi ? "Ansi" : "Unicode";
                         });

TEST(DeletedMessages, NoneInAFileThatDeletedNothing) {
    test::TempDir dir;
    const auto path = dir / "plain.pst";
    {
        PstWriter w(path);
        const auto inbox = w.openFolder(w.ipmSubtree(), "Inbox", std::string("IPF.Note"));
        w.addMessage(inbox, mail("Kept"));
        w.finish();
    }
    auto file = PstFile::open(path);
    const DeletedMessages found = findDeletedMessages(file);
    EXPECT_TRUE(found.recovered.empty());
    EXPECT_TRUE(found.overwritten.empty());
}

}  // namespace
}  // namespace pellmark::pst
