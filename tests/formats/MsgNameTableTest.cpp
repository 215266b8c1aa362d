#include "formats/msg/MsgNameTable.h"

#include <gtest/gtest.h>

#include "formats/MsgFileReader.h"
#include "formats/SaveError.h"
#include "support/TestFiles.h"

namespace pellmark::formats {
namespace {

mapi::NamedProperty numbered(const mapi::Guid& set, uint32_t lid) {
    return {set, false, lid, {}};
}
mapi::NamedProperty named(const mapi::Guid& set, const std::string& name) {
    return {set, true, 0, name};
}

// Outlook's own mapping of each sample, rebuilt from its names in id order, comes out byte
// for byte as Outlook wrote it: GUID, entry and string streams and every hash bucket.
TEST(MsgNameTable, RebuildsOutlooksMappingsByteForByte) {
    PELLMARK_SAMPLE_OR_SKIP(dir, "msg");
    std::size_t files = 0;
    std::size_t samples = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        samples += entry.path().extension() == ".msg";
        const auto names = test::readMsgFile(entry.path()).names;
        MsgNameTable table;
        uint16_t expectedId = 0x8000;
        for (const auto& [id, name] : names) {
            ASSERT_EQ(id, expectedId++) << entry.path();
            EXPECT_EQ(table.idOf(name), id) << entry.path();
        }
        const auto outlook = test::storageStreams(entry.path(), kNameStorageName);
        const auto ours = table.streams();
        EXPECT_EQ(ours.size(), outlook.size()) << entry.path();
        for (const auto& [stream, bytes] : ours) {
            auto it = outlook.find(stream);
            ASSERT_NE(it, outlook.end()) << entry.path() << " " << stream;
            EXPECT_EQ(bytes, it->second) << entry.path() << " " << stream;
        }
        ++files;
    }
    EXPECT_EQ(files, samples) << "every sample read";
    EXPECT_GT(files, 0u);
}

TEST(MsgNameTable, NumbersEachNameOnceInOrderOfFirstUse) {
    MsgNameTable table;
    EXPECT_EQ(table.idOf(numbered(mapi::psetid::kAddress, 0x8005)), 0x8000);
    EXPECT_EQ(table.idOf(named(mapi::psetid::kPublicStrings, "Keywords")), 0x8001);
    EXPECT_EQ(table.idOf(numbered(mapi::psetid::kAddress, 0x8005)), 0x8000);
    // The same number or text in another set, or as the other kind, is another property.
    EXPECT_EQ(table.idOf(numbered(mapi::psetid::kCommon, 0x8005)), 0x8002);
    EXPECT_EQ(table.idOf(named(mapi::psetid::kInternetHeaders, "Keywords")), 0x8003);
    EXPECT_EQ(table.idOf(named(mapi::psetid::kAddress, "")), 0x8004);
    EXPECT_EQ(table.idOf(numbered(mapi::psetid::kPublicStrings, 0)), 0x8005);
    EXPECT_EQ(table.size(), 6u);

    const auto streams = table.streams();
    ASSERT_GE(streams.size(), 3u);
    // PS_MAPI and PS_PUBLIC_STRINGS have fixed indexes; the others are listed once each.
    EXPECT_EQ(streams[0].second.size(), 3 * 16u);
    EXPECT_EQ(streams[1].second.size(), 6 * 8u);
    // Names padded to four bytes between entries: "Keywords" twice and an empty name.
    EXPECT_EQ(streams[2].second.size(), 4 + 16 + 4 + 16 + 4u);
}

TEST(MsgNameTable, FailsWhenTheIdsRunOut) {
    MsgNameTable table;
    for (uint32_t i = 0; i < 0x7FFF; ++i) table.idOf(numbered(mapi::psetid::kCommon, i));
    EXPECT_EQ(table.idOf(numbered(mapi::psetid::kCommon, 0x7FFE)), 0xFFFE);
    EXPECT_THROW(table.idOf(numbered(mapi::psetid::kCommon, 0x7FFF)), SaveError);
}

}  // namespace
}  // namespace pellmark::formats
