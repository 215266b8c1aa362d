// The node database as written: where space and map pages go, the header's CRCs and counters,
// the named-property hash buckets, and that a failed write leaves nothing behind.

#include <gtest/gtest.h>

#include <cstring>

#include "base/Crc32.h"
#include "mapi/Tags.h"
#include "pst/ltp/PropertyContext.h"
#include "pst/ltp/PstTags.h"
#include "pst/messaging/PstFile.h"
#include "pstwriter/ltp/ValueEncoder.h"
#include "pstwriter/messaging/PstBuilder.h"
#include "pstwriter/ndb/SpaceMap.h"
#include "support/TestFiles.h"

namespace pellmark::test {
namespace {

namespace fs = std::filesystem;
using namespace pstwriter;

uint32_t u32(const std::string& b, size_t at) {
    uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}
uint64_t u64(const std::string& b, size_t at) {
    uint64_t v;
    std::memcpy(&v, b.data() + at, 8);
    return v;
}
uint32_t crcOf(const std::string& b, size_t at, size_t n) {
    return base::computeCrc({reinterpret_cast<const uint8_t*>(b.data()) + at, n});
}

// A map page: its type twice, no signature, a CRC over its 496 bytes and its own offset as id.
void expectMapPage(const std::string& file, uint64_t ib, uint8_t ptype) {
    SCOPED_TRACE(testing::Message() << "map page at 0x" << std::hex << ib);
    ASSERT_LE(ib + 512, file.size());
    EXPECT_EQ(static_cast<uint8_t>(file[ib + 496]), ptype);
    EXPECT_EQ(static_cast<uint8_t>(file[ib + 497]), ptype);
    EXPECT_EQ(u32(file, ib + 500), crcOf(file, ib, 496));
    EXPECT_EQ(u64(file, ib + 504), ib);
}

TEST(SpaceMap, BlocksAvoidMapPagesAndMapsCoverTheFile) {
    constexpr uint64_t kRange = SpaceMap::kRangeSize;
    SpaceMap space(Format::Unicode);
    std::vector<std::pair<uint64_t, uint64_t>> used;
    // 33 MB of 8 KB blocks with a page now and then: past the 128 ranges the header's own
    // free map covers, so the first FMap is written.
    uint64_t holeAt = 0, pageAt = 0;
    while (space.end() < 0x4400 + 130 * kRange) {
        if (used.size() == 500) {  // a short block, then a page: padding between them
            used.emplace_back(space.allocate(192, 64), 192);
            holeAt = space.end();
            pageAt = space.allocate(512, 512);
            used.emplace_back(pageAt, 512);
        }
        used.emplace_back(space.allocate(8192, 64), 8192);
    }
    ASSERT_LT(holeAt, pageAt);
    for (auto [off, size] : used) {
        const uint64_t r = (off - 0x4400) / kRange, start = 0x4400 + r * kRange;
        const uint64_t mapPages = 1 + (r % 8 == 0) + (r == 128);
        ASSERT_GE(off, start + mapPages * 512) << off;
        ASSERT_LE(off + size, start + kRange) << off;
    }
    TempDir dir;
    SpaceMap::Totals totals;
    {
        OutputFile out(dir / "maps.bin");
        totals = space.writeMaps(out);
        out.commit(space.fileSize());
    }
    const std::string file = readFile(dir / "maps.bin");
    ASSERT_EQ(file.size() % kRange, 0x4400u % kRange);
    uint64_t free = 0;
    for (uint64_t r = 0; 0x4400 + r * kRange < file.size(); ++r) {
        const uint64_t start = 0x4400 + r * kRange;
        expectMapPage(file, start, 0x84);
        if (r % 8 == 0) expectMapPage(file, start + 512, 0x83);
        for (size_t i = 0; i < 496; ++i)
            free += 64 * (8 - std::popcount(static_cast<uint8_t>(file[start + i])));
    }
    expectMapPage(file, 0x4400 + 128 * kRange + 1024, 0x82);
    EXPECT_EQ(totals.amapFree, free);
    // Allocated 64-byte units are marked, the padding before a page is not.
    auto marked = [&](uint64_t offset) {
        const uint64_t start = 0x4400 + (offset - 0x4400) / kRange * kRange;
        const uint64_t slot = (offset - start) / 64;
        return (static_cast<uint8_t>(file[start + slot / 8]) & (0x80 >> (slot % 8))) != 0;
    };
    EXPECT_TRUE(marked(pageAt));
    EXPECT_TRUE(marked(holeAt - 64));
    EXPECT_FALSE(marked(holeAt));
    EXPECT_FALSE(marked(pageAt - 64));
}

TEST(SpaceMap, AnsiFilesStopAtTwoGigabytes) {
    SpaceMap space(Format::Ansi);
    EXPECT_THROW(
        {
            for (int i = 0; i < 300000; ++i) space.allocate(8192, 64);
        },
        std::runtime_error);
}

TEST(NdbWriter, HeaderCarriesBothCrcsAndNodeCounters) {
    TempDir dir;
    PstBuilder b;
    for (int i = 0; i < 5; ++i) b.root().addFolder("F" + std::to_string(i)).addMessage();
    for (Format f : {Format::Unicode, Format::Ansi}) {
        b.write(dir / "h.pst", {f, CryptMethod::Cyclic});
        const std::string h = readFile(dir / "h.pst");
        ASSERT_EQ(h.substr(0, 4), "!BDN");
        EXPECT_EQ(u32(h, 4), crcOf(h, 8, 471));
        if (f == Format::Unicode) {
            EXPECT_EQ(u32(h, 524), crcOf(h, 8, 516));
            EXPECT_EQ(static_cast<uint8_t>(h[513]), 2);  // cyclic
            EXPECT_EQ(u64(h, 184), h.size());            // ibFileEof
            // rgnid: at least the highest index used, per type (folders and messages).
            EXPECT_GE(u32(h, 44 + 4 * 2), 0x403u + 5);
            EXPECT_GE(u32(h, 44 + 4 * 4), 0x10000u + 5);
        } else {
            EXPECT_EQ(static_cast<uint8_t>(h[461]), 2);
            EXPECT_EQ(u32(h, 168), h.size());
        }
    }
}

TEST(NdbWriter, NamedPropertiesAreInTheirHashBuckets) {
    TempDir dir;
    PstBuilder b;
    Message& m = b.root().addFolder("A").addMessage();
    const NamedProp byName{mapi::psetid::kPublicStrings, 0, "x-pellmark-test"};
    m.set(byName, PropValue::string("v"));
    b.write(dir / "n.pst");
    auto file = pst::PstFile::open(dir / "n.pst");
    auto id = file->nameMap().idOf(byName.set, byName.name);
    ASSERT_TRUE(id);
    // A string name hashes by the CRC of its UTF-16 form, with the GUID index and kind bits.
    const ByteVec name = utf16le(byName.name);
    const uint32_t hash = base::computeCrc(name);
    const uint16_t wGuid = 2 << 1 | 1;  // PS_PUBLIC_STRINGS, a string name
    pst::PropertyContext pc(pst::Node::open(file->ndb(), pst::nid::kNameToIdMap));
    auto bucket =
        pc.get(static_cast<uint16_t>(pst::prop::kNameidBucketBase + (hash ^ wGuid) % 251));
    ASSERT_TRUE(bucket);
    bool found = false;
    for (size_t at = 0; at + 8 <= bucket->bytes.size(); at += 8) {
        uint32_t key;
        uint16_t guid, index;
        std::memcpy(&key, bucket->bytes.data() + at, 4);
        std::memcpy(&guid, bucket->bytes.data() + at + 4, 2);
        std::memcpy(&index, bucket->bytes.data() + at + 6, 2);
        found = found || (key == hash && guid == wGuid && index == *id - 0x8000);
    }
    EXPECT_TRUE(found);
}

TEST(PstWriter, NothingIsLeftWhenAWriteIsAbandonedOrFails) {
    TempDir dir;
    {
        PstWriter w(dir / "never.pst");
        Message m;
        m.setSubject("lost");
        w.addMessage(w.ipmSubtree(), m);
        // Destroyed without finish().
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));
    EXPECT_THROW(PstWriter(dir / "no/such/dir/x.pst"), std::runtime_error);
    PstWriter w(dir / "order.pst");
    const FolderHandle parent = w.openFolder(w.ipmSubtree(), "Parent", std::nullopt);
    w.openFolder(parent, "Child", std::nullopt);
    EXPECT_THROW(w.closeFolder(parent), std::logic_error);
}

}  // namespace
}  // namespace pellmark::test
