// Files built for the case: an OLE object's storage given as a compound file of its own; files
// that are no sound .msg, each throwing an error naming what is wrong, never crashing.

#include <gtest/gtest.h>

#include "cfb/CompoundFileReader.h"
#include "cfb/CompoundFileWriter.h"
#include "mapi/Tags.h"
#include "msgfile/MsgFile.h"
#include "support/TestFiles.h"

namespace pellmark::msgfile {
namespace {

using mapi::PropType;

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A property stream: a header of `header` zero bytes, then one entry per tag and slot value.
std::vector<uint8_t> properties(size_t header,
                                std::vector<std::pair<mapi::PropTag, uint32_t>> entries) {
    std::vector<uint8_t> out(header, 0);
    for (const auto& [tag, value] : entries) {
        put32(out, tag);
        put32(out, 6);  // readable and writable
        put32(out, value);
        put32(out, 0);
    }
    return out;
}

std::string errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const MsgError& e) {
        return e.what();
    }
    return "no error";
}

TEST(MsgObjects, AnOleObjectsStorageComesOutAsACompoundFile) {
    test::TempDir dir;
    const std::vector<uint8_t> contents(5000, 0x5A);  // past the mini stream's cutoff
    {
        cfb::CompoundFileWriter w(dir / "ole.msg");
        w.addStream(w.root(), "__properties_version1.0", properties(32, {}));
        const cfb::EntryId att = w.addStorage(w.root(), "__attach_version1.0_#00000000");
        w.addStream(att, "__properties_version1.0",
                    properties(8, {{mapi::makeTag(mapi::prop::kAttachMethod, PropType::Int32),
                                    mapi::prop::kAttachOle},
                                   {mapi::makeTag(mapi::prop::kAttachData, PropType::Object),
                                    0xFFFFFFFF}}));
        const cfb::EntryId object = w.addStorage(att, "__substg1.0_3701000D");
        w.addStream(object, "CONTENTS", contents);
        const cfb::EntryId inner = w.addStorage(object, "ObjInfo");
        w.addStream(inner, "small", std::vector<uint8_t>{1, 2, 3});
        w.commit();
    }
    const auto attachment = readMsg(dir / "ole.msg")->attachment(0);
    EXPECT_EQ(attachment->embeddedMessage(), nullptr);
    const auto data = attachment->objectData();
    ASSERT_NE(data, nullptr);
    std::vector<uint8_t> bytes(data->size());
    ASSERT_EQ(data->read(bytes), bytes.size());
    const auto copy = cfb::CompoundFileReader::fromBytes(std::move(bytes));
    const auto stream = copy.child(copy.root(), "CONTENTS");
    ASSERT_TRUE(stream);
    EXPECT_EQ(copy.readStream(*stream), contents);
    const auto inner = copy.child(copy.root(), "ObjInfo");
    ASSERT_TRUE(inner && copy.isStorage(*inner));
    const auto small = copy.child(*inner, "small");
    ASSERT_TRUE(small);
    EXPECT_EQ(copy.readStream(*small), (std::vector<uint8_t>{1, 2, 3}));
}

TEST(MsgDamage, FilesThatAreNoCompoundFilesNameThemselves) {
    test::TempDir dir;
    test::writeFile(dir / "empty.msg", "");
    test::writeFile(dir / "text.msg", std::string(2000, 'x'));
    for (const char* name : {"empty.msg", "text.msg", "missing.msg"}) {
        const std::string error = errorOf([&] { readMsg(dir / name); });
        EXPECT_NE(error.find(name), std::string::npos) << error;
        EXPECT_NE(error.find("compound file"), std::string::npos) << error;
    }
}

TEST(MsgDamage, StoragesWithoutWhatAMessageHolds) {
    test::TempDir dir;
    {
        cfb::CompoundFileWriter w(dir / "noprops.msg");
        w.addStream(w.root(), "something", std::vector<uint8_t>{1, 2, 3});
        w.commit();
    }
    EXPECT_NE(errorOf([&] { readMsg(dir / "noprops.msg"); }).find("no property stream"),
              std::string::npos);
    {
        cfb::CompoundFileWriter w(dir / "short.msg");
        w.addStream(w.root(), "__properties_version1.0", std::vector<uint8_t>(20, 0));
        w.commit();
    }
    EXPECT_NE(errorOf([&] { readMsg(dir / "short.msg"); }).find("cut short"), std::string::npos);
    {
        // An attachment that says it holds a message, without the message's storage; and a
        // multi-valued string whose second value is missing.
        cfb::CompoundFileWriter w(dir / "parts.msg");
        const mapi::PropTag multi = mapi::makeTag(0x8001, PropType::MultiUnicode);
        w.addStream(w.root(), "__properties_version1.0", properties(32, {{multi, 8}}));
        w.addStream(w.root(), "__substg1.0_8001101F", std::vector<uint8_t>(8, 0));
        w.addStream(w.root(), "__substg1.0_8001101F-00000000", std::vector<uint8_t>{'a', 0});
        const cfb::EntryId att = w.addStorage(w.root(), "__attach_version1.0_#00000000");
        w.addStream(att, "__properties_version1.0",
                    properties(8, {{mapi::makeTag(mapi::prop::kAttachMethod, PropType::Int32),
                                    mapi::prop::kAttachEmbeddedMessage},
                                   {mapi::makeTag(mapi::prop::kAttachData, PropType::Object),
                                    0xFFFFFFFF}}));
        w.commit();
    }
    const auto item = readMsg(dir / "parts.msg");
    ASSERT_EQ(item->attachmentCount(), 1u);
    const auto attachment = item->attachment(0);
    EXPECT_NE(errorOf([&] { attachment->embeddedMessage(); }).find("storage is missing"),
              std::string::npos);
    EXPECT_NE(errorOf([&] { item->get(0x8001); }).find("missing"), std::string::npos);
}

TEST(MsgDamage, AFileCutShortFailsWithAnErrorNotACrash) {
    PELLMARK_SAMPLE_OR_SKIP(sample, "msg/tika__testMSG_att_msg.msg");
    const std::string whole = test::readFile(sample);
    test::TempDir dir;
    for (size_t keep : {size_t{512}, size_t{1536}, whole.size() / 2, whole.size() - 700}) {
        SCOPED_TRACE(keep);
        test::writeFile(dir / "cut.msg", whole.substr(0, keep));
        try {
            const auto item = readMsg(dir / "cut.msg");
            for (size_t i = 0; i < item->attachmentCount(); ++i) {
                item->attachment(i)->openData();
            }
            item->get(mapi::prop::kBody);
            ADD_FAILURE() << "a file cut to " << keep << " bytes was read whole";
        } catch (const std::exception& e) {
            EXPECT_FALSE(std::string(e.what()).empty());
        }
    }
}

}  // namespace
}  // namespace pellmark::msgfile
