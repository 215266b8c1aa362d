// The messaging layer on real files: what the export relies on beyond the folder listing.

#include <gtest/gtest.h>

#include <map>

#include "mapi/Tags.h"
#include "pst/messaging/Folder.h"
#include "pst/messaging/Items.h"
#include "pst/messaging/Message.h"
#include "pst/messaging/PstFile.h"
#include "support/TestFiles.h"

namespace pellmark::pst {
namespace {

Message firstMessage(const PstFile& file, const std::string& folderName) {
    std::function<std::optional<Message>(const Folder&)> find =
        [&](const Folder& f) -> std::optional<Message> {
        if (f.displayName() == folderName && f.messageCount() > 0) {
            return file.message(f.messageIds().front());
        }
        for (NodeId id : f.subfolderIds()) {
            if (auto m = find(file.folder(id))) return m;
        }
        return std::nullopt;
    };
    auto m = find(file.rootFolder());
    if (!m) throw std::runtime_error("no message in " + folderName);
    return *m;
}

TEST(Messaging, SubjectDropsThePrefixMarker) {
    PELLMARK_SAMPLE_OR_SKIP(path, "pst/npm-pst-extractor__enron.pst");
    auto file = PstFile::open(path);
    Message m = firstMessage(*file, "TW-Commercial Group");
    const std::string raw = m.string(mapi::prop::kSubject).value();
    ASSERT_EQ(raw[0], '\x01');
    EXPECT_EQ(m.subject(), "New OBA's");
}

TEST(Messaging, EmbeddedMessagesAtEveryDepth) {
    PELLMARK_SAMPLE_OR_SKIP(path, "pst/hht__msgInMsgInMsg.pst");
    auto file = PstFile::open(path);
    std::unique_ptr<mapi::Item> current =
        itemOf(file->message(file->ipmSubtree().messageIds().at(0)));
    std::vector<std::string> subjects{current->subject()};
    for (int depth = 0; depth < 5; ++depth) {
        std::unique_ptr<mapi::Item> inner;
        for (size_t i = 0; i < current->attachmentCount(); ++i) {
            if (auto m = current->attachment(i)->embeddedMessage()) inner = std::move(m);
        }
        if (!inner) break;
        subjects.push_back(inner->subject());
        current = std::move(inner);
    }
    ASSERT_EQ(subjects.size(), 3u);
    EXPECT_EQ(subjects[0], "I have sub attachments!");
    for (const auto& s : subjects) EXPECT_FALSE(s.empty());
}

// The .ost's "Contact Search" folder keeps "IPF.Contact" as 8-bit text, a NUL and then
// "IPM.Microsoft.OSC.ContactSync" in UTF-16, all under the Unicode type.
TEST(Messaging, AFolderClassStoredAs8BitTextIsReadAsWhatItIs) {
    PELLMARK_SAMPLE_OR_SKIP(path, "pst/npm-pst-extractor__pstextractortest@outlook.com.ost");
    auto file = PstFile::open(path);
    std::map<std::string, std::string> classes;
    file->forEachFolder({file->rootFolder().id()},
                        [&](const Folder& f) { classes[f.displayName()] = f.containerClass(); });
    EXPECT_EQ(classes["Contact Search"], "IPF.Contact");
    EXPECT_EQ(classes["Sync Issues"], "IPF.Note");
    EXPECT_EQ(classes["Reminders"], "Outlook.Reminder") << "UTF-16 of another kind stays";
}

TEST(Messaging, AttachmentStreamsDeliverEveryByte) {
    PELLMARK_SAMPLE_OR_SKIP(path,
                            "pst/hughbe-simiden-pst2john__2003_high-encryption_quickquick.pst");
    auto file = PstFile::open(path);  // cyclic encoding
    Folder deleted = file->folder(file->ipmSubtree().subfolderIds().at(0));
    uint64_t total = 0, largest = 0;
    for (NodeId id : deleted.messageIds()) {
        const auto m = itemOf(file->message(id));
        for (size_t i = 0; i < m->attachmentCount(); ++i) {
            const auto a = m->attachment(i);
            auto s = a->openData();
            std::vector<uint8_t> buf(1000);  // smaller than a block: reads cross block edges
            uint64_t n = 0;
            while (size_t got = s->read(buf)) n += got;
            EXPECT_EQ(n, a->dataSize()) << a->fileName();
            total += n;
            largest = std::max(largest, n);
        }
    }
    EXPECT_GT(largest, 8176u);  // at least one attachment spans a data tree
    EXPECT_GT(total, 1'000'000u);
}

TEST(Messaging, RecipientsAndNamedPropertiesOfAContact) {
    PELLMARK_SAMPLE_OR_SKIP(path, "pst/hughbe-hughbe__hughbe_Outlook.pst");
    auto file = PstFile::open(path);
    const NameMap& names = file->nameMap();
    EXPECT_GT(names.size(), 50u);
    // Email1EmailAddress of the address property set.
    auto id = names.idOf(mapi::psetid::kAddress, 0x8083);
    ASSERT_TRUE(id.has_value());
    auto named = names.nameOf(*id);
    ASSERT_TRUE(named && !named->isString);
    EXPECT_EQ(named->guid, mapi::psetid::kAddress);

    Message contact = firstMessage(*file, "Contacts");
    EXPECT_EQ(contact.messageClass(), "IPM.Contact");
    EXPECT_NE(contact.string(*id).value_or("").find('@'), std::string::npos);

    Message appointment = firstMessage(*file, "Calendar");
    auto recipients = appointment.recipients();
    ASSERT_FALSE(recipients.empty());
    EXPECT_EQ(recipients[0].type(), 1);
}

TEST(Messaging, DefaultMessageClassFollowsTheContainerClass) {
    EXPECT_EQ(defaultMessageClass(""), "IPM.Note");
    EXPECT_EQ(defaultMessageClass("IPF.Note"), "IPM.Note");
    EXPECT_EQ(defaultMessageClass("IPF.Contact"), "IPM.Contact");
    EXPECT_EQ(defaultMessageClass("IPF.Imap"), "IPM.Note");
    EXPECT_EQ(defaultMessageClass("IPF.Note.OutlookHomepage"), "IPM.Note");
    EXPECT_EQ(defaultMessageClass("IPF.Appointment.Birthday"), "IPM.Appointment");
    EXPECT_EQ(defaultMessageClass("IPF.Contact.MOC.QuickContacts"), "IPM.Contact");
    EXPECT_EQ(defaultMessageClass("IPF.Task.Extra"), "IPM.Task");
    // Letter case is not significant; a class of no known kind is mail.
    EXPECT_EQ(defaultMessageClass("ipf.contact"), "IPM.Contact");
    EXPECT_EQ(defaultMessageClass("ipf.STICKYNOTE.x"), "IPM.StickyNote");
    EXPECT_EQ(defaultMessageClass("IPF.Contacts"), "IPM.Note");  // no family of its own
    for (const char* other :
         {"IPF", "IPF.", "IPF.Files", "IPF.Configuration", "Custom.Thing", "IPM.Contact"}) {
        EXPECT_EQ(defaultMessageClass(other), "IPM.Note") << other;
    }
}

}  // namespace
}  // namespace pellmark::pst
