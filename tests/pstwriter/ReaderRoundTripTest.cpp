// Files written by the fixture writer, read back by Pellmark's own reader: every property
// written comes back with the same type and bytes, in every variant and at sizes that need
// every structure (multi-block heaps, tables and data trees, SIBLOCKs, XXBLOCKs).

#include <gtest/gtest.h>

#include "Fixtures.h"
#include "mapi/Tags.h"
#include "pst/messaging/Folder.h"
#include "pst/messaging/Items.h"
#include "pst/messaging/Message.h"
#include "pst/messaging/PstFile.h"
#include "pstwriter/GeneratedContent.h"
#include "pstwriter/ltp/ValueEncoder.h"
#include "pstwriter/messaging/ItemKinds.h"
#include "support/TestFiles.h"

namespace pellmark::test {
namespace {

using namespace pstwriter;
namespace prop = mapi::prop;

std::string drain(mapi::ByteStream& s) {
    std::string out;
    std::vector<uint8_t> buf(1 << 16);
    while (size_t n = s.read(buf)) out.append(buf.begin(), buf.begin() + static_cast<long>(n));
    return out;
}

std::optional<pst::Folder> child(const pst::PstFile& f, const pst::Folder& parent,
                                 const std::string& name) {
    for (pst::NodeId id : parent.subfolderIds()) {
        pst::Folder sub = f.folder(id);
        if (sub.displayName() == name) return sub;
    }
    return std::nullopt;
}

// A message with one property of every type, named ones included, and values that go to the
// heap, to subnodes and to data trees.
Message& richMessage(Folder& f) {
    Message& m = f.addMessage("IPM.Note.Pellmark");
    m.setSubject("Every type").setBody(std::string(30000, 'b')).setSender("Ann", "ann@example.com");
    m.set(0x6601, PropValue::int16(-7));
    m.set(0x6602, PropValue::int32(123456));
    m.set(0x6603, PropValue::int64(-1234567890123));
    m.set(0x6604, PropValue(PropType::Float32, 1.5));
    m.set(0x6605, PropValue::float64(2.25));
    m.set(0x6606, PropValue(PropType::Currency, int64_t{987654321}));
    m.set(0x6607, PropValue(PropType::AppTime, 45000.5));
    m.set(0x6608, PropValue(PropType::ErrorCode, int64_t{0x8004010F}));
    m.set(0x6609, PropValue::boolean(true));
    m.set(0x660A, PropValue::time(fileTimeFromUnix(1700000000)));
    m.set(0x660B, PropValue::guid(mapi::psetid::kAddress));
    m.set(0x660C, PropValue::binary(GeneratedContent(5000, 9).all()));  // a subnode
    m.set(0x660D, PropValue(PropType::MultiInt32, std::vector<int64_t>{1, -2, 3}));
    m.set(0x660E, PropValue(PropType::MultiUnicode, std::vector<std::string>{"a", "", "Zoë"}));
    m.set(0x660F, PropValue(PropType::MultiBinary, std::vector<ByteVec>{{1, 2}, {}, {3}}));
    m.set(0x6610, PropValue(PropType::MultiSysTime, std::vector<int64_t>{1, 2}));
    m.set(0x6611, PropValue::string(""));
    m.set(NamedProp{mapi::psetid::kPublicStrings, 0, "x-pellmark"}, PropValue::string("named"));
    m.set(NamedProp{mapi::psetid::kCommon, 0x8599, {}}, PropValue::int32(5));
    for (uint16_t i = 0; i < 30; ++i) {  // a heap of many blocks, a bitmap block among them
        m.set(static_cast<uint16_t>(0x6700 + i),
              PropValue::binary(GeneratedContent(3000, i).all()));
    }
    return m;
}

class ReaderRoundTripTest : public testing::TestWithParam<FileVariant> {
  protected:
    void write() { builder_.write(dir_ / "rt.pst", GetParam()); }
    std::shared_ptr<pst::PstFile> open() { return pst::PstFile::open(dir_ / "rt.pst"); }
    TextCodec codec() const { return TextCodec(GetParam().format != Format::Ansi); }

    TempDir dir_;
    PstBuilder builder_;
};

TEST_P(ReaderRoundTripTest, EveryPropertyComesBackAsWritten) {
    Folder& folder = builder_.root().addFolder("Types", "IPF.Note");
    const Message& m = richMessage(folder);
    write();
    auto file = open();
    auto types = child(*file, file->ipmSubtree(), "Types");
    ASSERT_TRUE(types);
    ASSERT_EQ(types->messageIds().size(), 1u);
    pst::Message read = file->message(types->messageIds()[0]);
    for (const auto& [id, value] : m.tagged()) {
        SCOPED_TRACE(testing::Message() << "property 0x" << std::hex << id);
        const StoredProp want = storeValue(id, value, codec());
        auto got = read.get(id);
        ASSERT_TRUE(got);
        EXPECT_EQ(static_cast<int>(got->type), static_cast<int>(want.type));
        EXPECT_EQ(got->bytes, want.bytes);
    }
    for (const auto& [name, value] : m.named()) {
        auto id = name.isString() ? file->nameMap().idOf(name.set, name.name)
                                  : file->nameMap().idOf(name.set, name.id);
        ASSERT_TRUE(id);
        auto got = read.get(*id);
        ASSERT_TRUE(got);
        EXPECT_EQ(got->bytes, storeValue(*id, value, codec()).bytes);
    }
    EXPECT_EQ(read.subject(), "Every type");
    ASSERT_EQ(read.recipients().size(), 0u);
}

TEST_P(ReaderRoundTripTest, FoldersRecipientsAttachmentsAndEmbeddedMessages) {
    Folder& inbox = builder_.root().addFolder("Inbox #1", "IPF.Note");
    inbox.addFolder("Empty");
    inbox.addFolder("Unknown", "IPF.Pellmark.Unknown");
    Message& m = inbox.addMessage();
    m.setSubject(std::string("\x01\x05RE: Hello"));
    m.addRecipient("Bob", "bob@example.com");
    m.addRecipient("Carol", "carol@example.com", RecipientType::Cc);
    m.addAttachment("../../x", ByteVec{'x'});
    m.addAttachment("huge.bin", std::make_shared<GeneratedContent>(9'000'000, 3));  // XXBLOCK
    Message* level = &m;
    for (int depth = 1; depth <= 3; ++depth) {
        level = &level->addEmbeddedMessage("IPM.Note", "level " + std::to_string(depth));
        level->setSubject("depth " + std::to_string(depth));
    }
    level->addAttachment("deep.txt", ByteVec{'d', 'e', 'e', 'p'});
    inbox.addMessage().setSubject("Grüße – 日本").setHtml("<p>Grüße</p>").setBody("Grüße");
    write();

    auto file = open();
    auto box = child(*file, file->ipmSubtree(), "Inbox #1");
    ASSERT_TRUE(box);
    EXPECT_EQ(box->containerClass(), "IPF.Note");
    ASSERT_EQ(box->subfolderIds().size(), 2u);
    EXPECT_EQ(child(*file, *box, "Unknown")->containerClass(), "IPF.Pellmark.Unknown");
    EXPECT_TRUE(child(*file, *box, "Empty")->messageIds().empty());
    EXPECT_TRUE(child(*file, file->ipmSubtree(), builder_.options().deletedItemsName));

    pst::Message html = file->message(box->messageIds().at(1));
    EXPECT_EQ(html.subject(), textAsStored(GetParam(), "Grüße – 日本"));
    EXPECT_EQ(html.string(prop::kBody), textAsStored(GetParam(), "Grüße"));
    const auto htmlBody = html.get(prop::kBodyHtml);
    ASSERT_TRUE(htmlBody);
    const std::string htmlText(htmlBody->bytes.begin(), htmlBody->bytes.end());
    // HTML is UTF-8 in Unicode files and in the message's code page in ANSI files.
    EXPECT_EQ(htmlText, GetParam().format == Format::Ansi ? "<p>Gr\xFC\xDF"
                                                            "e</p>"
                                                          : "<p>Grüße</p>");
    pst::Message read = file->message(box->messageIds().at(0));
    EXPECT_EQ(read.subject(), "RE: Hello");
    auto recipients = read.recipients();
    ASSERT_EQ(recipients.size(), 2u);
    EXPECT_EQ(recipients[1].string(prop::kDisplayName), "Carol");
    EXPECT_EQ(recipients[1].type(), 2);
    EXPECT_EQ(recipients[0].string(prop::kSmtpAddress), "bob@example.com");
    ASSERT_EQ(read.attachmentCount(), 3u);
    const auto item = pst::itemOf(read);
    EXPECT_EQ(item->attachment(0)->fileName(), "../../x");
    const ByteVec huge = GeneratedContent(9'000'000, 3).all();
    EXPECT_TRUE(drain(*item->attachment(1)->openData()) == std::string(huge.begin(), huge.end()));
    std::unique_ptr<mapi::Attachment> current = item->attachment(2);
    for (int depth = 1; depth <= 3; ++depth) {
        ASSERT_TRUE(current->isEmbeddedMessage());
        const auto inner = current->embeddedMessage();
        EXPECT_EQ(inner->subject(), "depth " + std::to_string(depth));
        ASSERT_GE(inner->attachmentCount(), 1u);
        current = inner->attachment(0);
    }
    EXPECT_EQ(drain(*current->openData()), "deep");
}

TEST_P(ReaderRoundTripTest, LargeFoldersAndManyAttachments) {
    Folder& big = builder_.root().addFolder("Big", "IPF.Note");
    for (int i = 0; i < 3000; ++i) big.addMessage().setSubject("Item " + std::to_string(i));
    Message& many = builder_.root().addFolder("Many", "IPF.Note").addMessage();
    for (int i = 0; i < 400; ++i) many.addAttachment("a" + std::to_string(i), ByteVec{uint8_t(i)});
    ContactInfo c;
    c.givenName = "Zoë";
    c.surname = "Brontë";
    c.emails = {"zoe@example.com"};
    addContact(builder_.root().addFolder("Contacts", "IPF.Contact"), c);
    write();

    auto file = open();
    auto folder = child(*file, file->ipmSubtree(), "Big");
    ASSERT_TRUE(folder);
    const auto ids = folder->messageIds();
    ASSERT_EQ(ids.size(), 3000u);
    EXPECT_EQ(file->message(ids.front()).subject(), "Item 0");
    EXPECT_EQ(file->message(ids.back()).subject(), "Item 2999");
    pst::Message read = file->message(child(*file, file->ipmSubtree(), "Many")->messageIds().at(0));
    ASSERT_EQ(read.attachmentCount(), 400u);
    EXPECT_EQ(pst::itemOf(read)->attachment(399)->fileName(), "a399");
    EXPECT_EQ(drain(*pst::itemOf(read)->attachment(399)->openData()),
              std::string(1, static_cast<char>(399 & 0xFF)));
    pst::Message contact =
        file->message(child(*file, file->ipmSubtree(), "Contacts")->messageIds().at(0));
    EXPECT_EQ(contact.messageClass(), "IPM.Contact");
    auto email = file->nameMap().idOf(mapi::psetid::kAddress, 0x8083);
    ASSERT_TRUE(email);
    EXPECT_EQ(contact.string(*email), "zoe@example.com");
}

INSTANTIATE_TEST_SUITE_P(Variants, ReaderRoundTripTest,
                         testing::Values(FileVariant{Format::Unicode, CryptMethod::Permute},
                                         FileVariant{Format::Unicode, CryptMethod::None},
                                         FileVariant{Format::Unicode4k, CryptMethod::Permute},
                                         FileVariant{Format::Ansi, CryptMethod::Cyclic}),
                         variantName);

}  // namespace
}  // namespace pellmark::test
