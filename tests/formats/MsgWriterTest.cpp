#include "formats/msg/MsgWriter.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "cfb/CompoundFileWriter.h"
#include "formats/MsgFileReader.h"
#include "formats/PlainItem.h"
#include "formats/SaveError.h"
#include "mapi/Tags.h"
#include "support/TestFiles.h"

namespace pellmark::formats {
namespace {

using mapi::PropType;
using test::PlainAttachment;
using test::PlainItem;
using test::PlainRecipient;

constexpr mapi::PropTag tag(uint16_t id, PropType type) {
    return mapi::makeTag(id, type);
}

std::vector<uint8_t> utf16(const std::u16string& s) {
    std::vector<uint8_t> out;
    for (char16_t c : s) {
        out.push_back(static_cast<uint8_t>(c));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
    return out;
}

std::vector<uint8_t> bytes(const std::string& s) {
    return {s.begin(), s.end()};
}
std::vector<uint8_t> le32(uint32_t v) {
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

PlainItem mail(const std::u16string& subject) {
    PlainItem m;
    m.set(tag(mapi::prop::kMessageClass, PropType::Unicode), utf16(u"IPM.Note"));
    m.set(tag(mapi::prop::kSubject, PropType::Unicode), utf16(subject));
    return m;
}

PlainRecipient recipient(const std::u16string& name) {
    PlainRecipient r;
    r.set(tag(mapi::prop::kDisplayName, PropType::Unicode), utf16(name));
    r.set(tag(mapi::prop::kRecipientType, PropType::Int32), le32(1));
    return r;
}

struct Written {
    test::TempDir dir;
    std::filesystem::path path = dir / "item.msg";
    std::vector<std::string> layout;
    explicit Written(const mapi::Item& item) {
        writeMsgFile(item, path);
        layout = test::msgLayout(path);
    }
    bool has(const std::string& line) const {
        return std::find(layout.begin(), layout.end(), line) != layout.end();
    }
    size_t count(const std::string& part) const {
        return std::count_if(layout.begin(), layout.end(), [&](const std::string& l) {
            return l.find(part) != std::string::npos;
        });
    }
};

#define EXPECT_LINE(w, line) EXPECT_TRUE((w).has(line)) << "missing: " << (line)

TEST(MsgWriter, GivesEachObjectItsStorageAndHeader) {
    PlainItem inner = mail(u"Inner");
    inner.recipientRows.push_back(recipient(u"Carl"));
    PlainItem item = mail(u"Outer");
    item.recipientRows = {recipient(u"Ann"), recipient(u"Bob")};
    item.attachmentList.resize(2);
    item.attachmentList[0].set(tag(mapi::prop::kAttachData, PropType::Binary), bytes("data"));
    item.attachmentList[1].set(tag(mapi::prop::kAttachMethod, PropType::Int32), le32(5));
    item.attachmentList[1].set(tag(mapi::prop::kAttachData, PropType::Object), {});
    item.attachmentList[1].embedded = std::make_shared<PlainItem>(inner);

    const Written w(item);
    EXPECT_LINE(w, "class / 0b0d020000000000c000000000000046");
    // Next recipient and attachment ids, their counts, 8 reserved bytes at the top level only.
    EXPECT_LINE(w, "header  02000000020000000200000002000000" + std::string(16, '0'));
    const std::string embedded = "/__attach_version1.0_#00000001/__substg1.0_3701000D";
    EXPECT_LINE(w, "header " + embedded + " 01000000000000000100000000000000");
    EXPECT_LINE(w, "header /__recip_version1.0_#00000001 ");
    EXPECT_LINE(w, "header " + embedded + "/__recip_version1.0_#00000000 ");
    EXPECT_LINE(w, "entry /__attach_version1.0_#00000001 3701000D flags=6 size=4294967295");
    EXPECT_LINE(w, "entry /__attach_version1.0_#00000001 37050003 flags=7 value=05000000");
    EXPECT_LINE(w, "stream /__attach_version1.0_#00000000/__substg1.0_37010102 4");
    // Strings carry no terminator; the entry counts it. Recipients get no support mask.
    EXPECT_LINE(w, "stream " + embedded + "/__substg1.0_0037001F 10");
    EXPECT_LINE(w, "entry " + embedded + " 0037001F flags=6 size=12");
    EXPECT_LINE(w, "entry  340D0003 flags=2 value=00000400");
    EXPECT_LINE(w, "entry " + embedded + " 340D0003 flags=2 value=00000400");
    EXPECT_EQ(w.count("340D0003"), 4u);             // message, embedded message, two attachments
    EXPECT_EQ(w.count("__nameid_version1.0"), 0u);  // only the top level has the mapping

    const PlainItem back = test::readMsgFile(w.path);
    ASSERT_EQ(back.recipientRows.size(), 2u);
    ASSERT_TRUE(back.attachmentList[1].embedded);
    EXPECT_EQ(back.attachmentList[1].embedded->recipientRows.size(), 1u);
}

TEST(MsgWriter, StoresEachTypeOfValueWhereItsTypeBelongs) {
    PlainItem item = mail(u"Types");
    item.set(tag(0x0E07, PropType::Int32), le32(0x11));
    item.set(tag(0x0017, PropType::Int16), {2, 0});
    item.set(tag(0x0E1F, PropType::Boolean), {1});
    item.set(tag(0x0039, PropType::SysTime), {1, 2, 3, 4, 5, 6, 7, 8});
    item.set(tag(0x6801, PropType::Guid), std::vector<uint8_t>(16, 0xAB));
    item.set(tag(0x6802, PropType::MultiInt32), {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0});
    item.values.emplace_back(tag(0x6803, PropType::MultiBinary),
                             test::multiValue(PropType::MultiBinary, {bytes("ab"), bytes("")}));
    item.values.emplace_back(tag(0x6804, PropType::MultiUnicode),
                             test::multiValue(PropType::MultiUnicode, {utf16(u"one"), utf16(u"")}));

    const Written w(item);
    EXPECT_LINE(w, "entry  0E070003 flags=6 value=11000000");
    EXPECT_LINE(w, "entry  00170002 flags=6 value=0200");
    EXPECT_LINE(w, "entry  0E1F000B flags=6 value=01");
    EXPECT_LINE(w, "entry  00390040 flags=6 value=0102030405060708");
    EXPECT_LINE(w, "stream /__substg1.0_68010048 16");
    EXPECT_LINE(w, "stream /__substg1.0_68021003 12");
    EXPECT_LINE(w, "entry  68021003 flags=6 size=12");
    // Variable-size multiple values: a length stream and a stream per value.
    EXPECT_LINE(w, "stream /__substg1.0_68031102 16");
    EXPECT_LINE(w, "stream /__substg1.0_68031102-00000000 2");
    EXPECT_LINE(w, "stream /__substg1.0_68031102-00000001 0");
    EXPECT_LINE(w, "entry  68031102 flags=6 size=16");
    EXPECT_LINE(w, "stream /__substg1.0_6804101F 8");
    EXPECT_LINE(w, "stream /__substg1.0_6804101F-00000000 8");  // "one" and its terminator
    EXPECT_LINE(w, "stream /__substg1.0_6804101F-00000001 2");

    const PlainItem back = test::readMsgFile(w.path);
    ASSERT_TRUE(back.find(0x6804));
    EXPECT_EQ(back.find(0x6804)->asStrings(0), (std::vector<std::string>{"one", ""}));
}

// A Cyrillic subject, body, multi-valued string and recipient name in code page 1251.
PlainItem eightBitItem() {
    PlainItem item;
    item.cp = 1251;
    item.set(tag(mapi::prop::kSubject, PropType::String8), bytes("\xCF\xF0\xE8\xE2\xE5\xF2"));
    item.set(tag(mapi::prop::kBody, PropType::String8), bytes(std::string("text\0", 5)));
    item.values.emplace_back(tag(0x6805, PropType::MultiString8),
                             test::multiValue(PropType::MultiString8, {bytes("a"), bytes("\xE0")}));
    PlainRecipient r;
    r.cp = 1251;
    r.set(tag(mapi::prop::kDisplayName, PropType::String8), bytes("\xC0\xED\xED\xE0"));
    item.recipientRows.push_back(r);
    return item;
}

void expectCyrillicBack(const PlainItem& back) {
    EXPECT_EQ(back.find(mapi::prop::kSubject)->asString(back.cp),
              "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82");
    EXPECT_EQ(back.find(0x6805)->asStrings(back.cp), (std::vector<std::string>{"a", "\xD0\xB0"}));
    EXPECT_EQ(back.recipientRows[0].find(mapi::prop::kDisplayName)->asString(back.cp),
              "\xD0\x90\xD0\xBD\xD0\xBD\xD0\xB0");
}

TEST(MsgWriter, WritesEightBitStringsAsUnicode) {
    const Written w(eightBitItem());
    EXPECT_EQ(w.count("001E"), 0u);
    EXPECT_LINE(w, "stream /__substg1.0_0037001F 12");
    EXPECT_LINE(w, "entry  0037001F flags=6 size=14");
    EXPECT_LINE(w, "stream /__substg1.0_1000001F 8");  // the stored terminator is not text
    EXPECT_LINE(w, "stream /__substg1.0_6805101F-00000001 4");
    expectCyrillicBack(test::readMsgFile(w.path));
}

TEST(MsgWriter, KeepsEightBitStringsAsStoredWhereAsked) {
    formats::MsgTypesAsStored asStored;
    const Written w(eightBitItem());
    EXPECT_EQ(w.count("001F"), 0u);
    EXPECT_LINE(w, "stream /__substg1.0_0037001E 6");
    EXPECT_LINE(w, "entry  0037001E flags=6 size=7");
    EXPECT_LINE(w, "stream /__substg1.0_1000001E 4");
    EXPECT_LINE(w, "stream /__substg1.0_6805101E-00000001 2");
    // The item named no code page: the file does, and does not call its strings Unicode.
    EXPECT_EQ(w.count("3FFD0003"), 1u);
    EXPECT_EQ(w.count("340D0003"), 0u);
    expectCyrillicBack(test::readMsgFile(w.path));
}

TEST(MsgWriter, MapsNamedPropertiesToOneMappingForTheWholeFile) {
    const mapi::NamedProperty a{mapi::psetid::kAddress, false, 0x8005, {}};
    const mapi::NamedProperty b{mapi::psetid::kPublicStrings, true, 0, "Custom"};
    const mapi::NamedProperty c{mapi::psetid::kCommon, false, 0x8510, {}};
    const mapi::NamedProperty d{mapi::psetid::kMeeting, true, 0, "Where"};
    PlainItem inner = mail(u"Inner");
    inner.set(tag(0x8200, PropType::Unicode), utf16(u"in"));
    inner.set(tag(0x8400, PropType::Boolean), {1});
    PlainItem item = mail(u"Outer");
    item.names = {{0x8123, a}, {0x8200, b}, {0x8300, c}, {0x8400, d}};
    item.set(tag(0x8123, PropType::Int32), le32(7));
    item.set(tag(0x8200, PropType::Unicode), utf16(u"out"));
    item.set(tag(0x8500, PropType::Int32), le32(9));  // the store's map does not name it
    item.recipientRows.push_back(recipient(u"Ann"));
    item.recipientRows[0].set(tag(0x8300, PropType::Int32), le32(3));
    PlainAttachment& att = item.attachmentList.emplace_back();
    att.set(tag(mapi::prop::kAttachData, PropType::Object), {});
    att.embedded = std::make_shared<PlainItem>(inner);

    const Written w(item);
    const PlainItem back = test::readMsgFile(w.path);
    std::map<std::string, uint16_t> ids;
    for (const auto& [id, name] : back.names) ids[test::nameText(name)] = id;
    ASSERT_EQ(ids.size(), 4u);
    EXPECT_EQ(back.names.begin()->first, 0x8000);
    EXPECT_EQ(back.names.rbegin()->first, 0x8003);

    const PlainItem& in = *back.attachmentList[0].embedded;
    EXPECT_EQ(back.find(ids[test::nameText(a)])->asInteger(), 7);
    EXPECT_EQ(back.find(ids[test::nameText(b)])->asString(0), "out");
    EXPECT_EQ(in.find(ids[test::nameText(b)])->asString(0), "in");
    EXPECT_EQ(in.find(ids[test::nameText(d)])->asBool(), true);
    EXPECT_EQ(back.recipientRows[0].find(ids[test::nameText(c)])->asInteger(), 3);
    for (const auto& [t, v] : back.values) EXPECT_LT(mapi::tagId(t), 0x8004) << std::hex << t;
}

TEST(MsgWriter, LeavesOutWhatOnlyMeansSomethingInsideThePst) {
    PlainItem item = mail(u"Internal");
    for (uint16_t id : {0x67F2, 0x67F3, 0x67F4, 0x67FF, 0x6700, 0x6709, 0x6619}) {
        item.set(tag(id, PropType::Int32), le32(id));
    }
    item.recipientRows.push_back(recipient(u"Ann"));
    item.recipientRows[0].set(tag(0x67F2, PropType::Int32), le32(1));

    const Written w(item);
    for (const char* id : {"67F2", "67F3", "67F4", "67FF", "67000003"}) {
        EXPECT_EQ(w.count(id), 0u) << id;
    }
    EXPECT_EQ(w.count("67090003"), 1u);
    EXPECT_EQ(w.count("66190003"), 1u);
}

// Attachment data that is only ever available in pieces: a value of any size must pass
// through the writer without being loaded.
class GeneratedStream : public mapi::ByteStream {
  public:
    explicit GeneratedStream(uint64_t size) : size_(size) {}
    uint64_t size() const override { return size_; }
    size_t read(std::span<uint8_t> out) override {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(out.size(), size_ - pos_));
        for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>((pos_ + i) * 7 / 3);
        pos_ += n;
        return n;
    }

  private:
    uint64_t size_;
    uint64_t pos_ = 0;
};

class GeneratedAttachment : public PlainAttachment {
  public:
    explicit GeneratedAttachment(uint64_t size) : size_(size) {
        set(tag(mapi::prop::kAttachData, PropType::Binary), {});
    }
    std::optional<mapi::PropValue> get(uint16_t) const override {
        throw std::logic_error("the attachment must be streamed");
    }
    std::unique_ptr<mapi::ByteStream> stream(uint16_t) const override {
        return std::make_unique<GeneratedStream>(size_);
    }

  private:
    uint64_t size_;
};

class GeneratedItem : public PlainItem {
  public:
    explicit GeneratedItem(uint64_t size) : size_(size) {}
    size_t attachmentCount() const override { return 1; }
    std::unique_ptr<mapi::Attachment> attachment(size_t) const override {
        return std::make_unique<GeneratedAttachment>(size_);
    }

  private:
    uint64_t size_;
};

TEST(MsgWriter, CopiesAttachmentDataInPieces) {
    constexpr uint64_t kSize = 24 * 1024 * 1024 + 123;
    const Written w(GeneratedItem{kSize});
    EXPECT_LINE(
        w, "entry /__attach_version1.0_#00000000 37010102 flags=6 size=" + std::to_string(kSize));
    const PlainItem back = test::readMsgFile(w.path);
    const mapi::PropValue* data = back.attachmentList.at(0).find(mapi::prop::kAttachData);
    ASSERT_TRUE(data);
    std::vector<uint8_t> expected(kSize);
    GeneratedStream(kSize).read(expected);
    EXPECT_TRUE(data->bytes == expected);
}

TEST(MsgWriter, FailsWhenTheFormatOrTheDiskCannotTakeTheItem) {
    test::TempDir dir;
    // Sizes in a .msg file are 32-bit; a larger value is refused before it is copied.
    EXPECT_THROW(writeMsgFile(GeneratedItem{uint64_t{5} << 30}, dir / "big.msg"), SaveError);
    EXPECT_THROW(writeMsgFile(mail(u"Full"), "/dev/full"), SaveError);
    EXPECT_THROW(writeMsgFile(mail(u"Nowhere"), "/nonexistent/dir/item.msg"), SaveError);
}

// A compound file as an OLE object's storage: a class id, a stream, a nested storage.
std::vector<uint8_t> oleObject() {
    test::TempDir dir;
    cfb::CompoundFileWriter ole(dir / "object");
    ole.setClassId(ole.root(), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    ole.addStream(ole.root(), "\x01Ole", bytes("twenty bytes of ole."));
    const cfb::EntryId sub = ole.addStorage(ole.root(), "sub");
    ole.addStream(sub, "CONTENTS", std::vector<uint8_t>(5000, 'x'));
    ole.commit();
    const std::string out = test::readFile(dir / "object");
    return {out.begin(), out.end()};
}

TEST(MsgWriter, CopiesOleObjectsAsStoragesAndKeepsOtherObjectDataAsBinary) {
    PlainItem item = mail(u"OLE");
    for (const auto& data : {oleObject(), bytes("not ole")}) {
        PlainAttachment& att = item.attachmentList.emplace_back();
        att.set(tag(mapi::prop::kAttachMethod, PropType::Int32), le32(6));
        att.set(tag(mapi::prop::kAttachData, PropType::Object), {});
        att.object = data;
    }
    const Written w(item);
    const std::string object = "/__attach_version1.0_#00000000/__substg1.0_3701000D";
    EXPECT_LINE(w, "storage " + object);
    EXPECT_LINE(w, "class " + object + " 0102030405060708090a0b0c0d0e0f10");
    EXPECT_LINE(w, "stream " + object + "/\x01Ole 20");
    EXPECT_LINE(w, "stream " + object + "/sub/CONTENTS 5000");
    EXPECT_LINE(w, "entry /__attach_version1.0_#00000000 3701000D flags=6 size=4294967295");
    EXPECT_LINE(w, "stream /__attach_version1.0_#00000001/__substg1.0_37010102 7");
    EXPECT_LINE(w, "entry /__attach_version1.0_#00000001 37010102 flags=6 size=7");
}

}  // namespace
}  // namespace pellmark::formats
