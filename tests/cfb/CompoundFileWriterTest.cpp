// What the writer writes, read back by our reader and by olefile: streams of every size class
// written in odd pieces, nesting, class ids, files large enough to need a DIFAT, version 4,
// a sample copied whole, the directory's trees, and the same bytes on every run.

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "cfb/CfbFormat.h"
#include "cfb/CompoundFileWriter.h"
#include "support/Readers.h"
#include "support/TestFiles.h"

namespace pellmark::cfb {
namespace {

using namespace format;

std::vector<uint8_t> pattern(size_t size, unsigned seed) {
    std::vector<uint8_t> out(size);
    for (size_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>((i * 31 + seed * 7) % 253);
    return out;
}

void writeInPieces(CompoundFileWriter& w, EntryId parent, const std::string& name,
                   const std::vector<uint8_t>& data) {
    w.beginStream(parent, name);
    for (size_t at = 0, piece = 1; at < data.size(); at += piece, piece = piece * 3 + 1) {
        w.write({data.data() + at, std::min(piece, data.size() - at)});
    }
    w.endStream();
}

// Every stream of the file by path, as our reader reads it.
std::map<std::string, std::vector<uint8_t>> streamsOf(const CompoundFileReader& file,
                                                      EntryId storage, const std::string& at) {
    std::map<std::string, std::vector<uint8_t>> out;
    for (const EntryId id : file.children(storage)) {
        const std::string path = at + "/" + file.name(id);
        if (file.isStream(id)) {
            out[path] = file.readStream(id);
        } else {
            out.merge(streamsOf(file, id, path));
        }
    }
    return out;
}

const ClassId kSomeClass = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

// Writes a file of nested storages and streams of sizes around each edge; returns what it wrote.
std::map<std::string, std::vector<uint8_t>> writeSample(const std::filesystem::path& path,
                                                        std::optional<Version> version) {
    std::map<std::string, std::vector<uint8_t>> wrote;
    CompoundFileWriter w(path, version);
    w.setClassId(w.root(), kSomeClass);
    const EntryId sub = w.addStorage(w.root(), "Sub");
    const EntryId deeper = w.addStorage(sub, "Deeper \xC3\xA9t\xC3\xA9");
    w.setClassId(deeper, kSomeClass);
    const size_t sizes[] = {0, 1, 63, 64, 65, 511, 512, 4095, 4096, 4097, 70000};
    unsigned seed = 0;
    for (const EntryId storage : {w.root(), sub, deeper}) {
        const std::string at = storage == w.root() ? ""
                               : storage == sub    ? "/Sub"
                                                   : "/Sub/Deeper \xC3\xA9t\xC3\xA9";
        for (const size_t size : sizes) {
            const std::string name = "s" + std::to_string(size);
            wrote[at + "/" + name] = pattern(size, ++seed);
            writeInPieces(w, storage, name, wrote[at + "/" + name]);
        }
    }
    w.commit();
    return wrote;
}

TEST(CompoundFileWriter, WhatIsWrittenReadsBack) {
    for (const auto version : {std::optional<Version>{}, std::optional{Version::V4}}) {
        SCOPED_TRACE(version ? "version 4" : "version 3");
        test::TempDir dir;
        const auto wrote = writeSample(dir / "a.cfb", version);
        const auto file = CompoundFileReader::open(dir / "a.cfb");
        EXPECT_EQ(streamsOf(file, file.root(), ""), wrote);
        EXPECT_EQ(file.classId(file.root()), kSomeClass);
        EXPECT_TRUE(file.child(file.root(), "SUB"));
        const std::string bytes = test::readFile(dir / "a.cfb");
        EXPECT_EQ(static_cast<uint8_t>(bytes[kMajorVersionAt]), version ? 4 : 3);
        // olefile reads the same bytes.
        const auto listed =
            test::runPythonTool("ole_listing.py", test::shellQuote((dir / "a.cfb").string()));
        ASSERT_EQ(listed.status, 0);
        EXPECT_NE(listed.out.find("stream /Sub/Deeper \xC3\xA9t\xC3\xA9/s70000 70000 "),
                  std::string::npos);
        EXPECT_NE(listed.out.find("storage / 0403020106050807090a0b0c0d0e0f10"), std::string::npos);
        EXPECT_EQ(std::count(listed.out.begin(), listed.out.end(), '\n'), 3 + 3 * 11);
    }
}

TEST(CompoundFileWriter, SameBytesEveryRun) {
    test::TempDir dir;
    writeSample(dir / "a.cfb", std::nullopt);
    writeSample(dir / "b.cfb", std::nullopt);
    EXPECT_EQ(test::readFile(dir / "a.cfb"), test::readFile(dir / "b.cfb"));
}

// A file past 109 FAT sectors needs the DIFAT; a storage of thousands of children a deep tree.
TEST(CompoundFileWriter, LargeFilesAndWideStorages) {
    test::TempDir dir;
    const auto big = pattern(9'000'000, 5);
    {
        CompoundFileWriter w(dir / "big.cfb");
        writeInPieces(w, w.root(), "big", big);
        for (int i = 0; i < 3000; ++i) {
            const std::vector<uint8_t> small(static_cast<size_t>(i % 200), uint8_t(i));
            w.addStream(w.root(), "n" + std::to_string(i), small);
        }
        w.commit();
    }
    EXPECT_GT(get32(std::span<const uint8_t>(
                        reinterpret_cast<const uint8_t*>(test::readFile(dir / "big.cfb").data()),
                        kHeaderSize),
                    kDifatSectorCountAt),
              0u);
    const auto file = CompoundFileReader::open(dir / "big.cfb");
    EXPECT_EQ(file.readStream(*file.child(file.root(), "big")), big);
    EXPECT_EQ(file.children(file.root()).size(), 3001u);
    EXPECT_EQ(file.readStream(*file.child(file.root(), "n2999")).size(), 2999u % 200);
    const auto listed =
        test::runPythonTool("ole_listing.py", test::shellQuote((dir / "big.cfb").string()));
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(std::count(listed.out.begin(), listed.out.end(), '\n'), 3002);
}

// The directory's trees are red-black trees in name order: black root, no red node under a
// red one, as many black nodes on every path.
TEST(CompoundFileWriter, DirectoryTreesAreRedBlack) {
    test::TempDir dir;
    for (const int count : {1, 2, 3, 4, 7, 8, 9, 100, 1000}) {
        SCOPED_TRACE(count);
        {
            CompoundFileWriter w(dir / "t.cfb");
            for (int i = count; i-- > 0;) w.addStream(w.root(), "e" + std::to_string(i), {});
            w.commit();
        }
        const std::string text = test::readFile(dir / "t.cfb");
        const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()),
                                             text.size());
        // A small file: one FAT sector; the directory's chain through it.
        const uint32_t fatAt = (get32(bytes, kHeaderDifatAt) + 1) * 512;
        std::vector<std::span<const uint8_t>> dirEntries;
        for (uint32_t s = get32(bytes, kFirstDirSectorAt); s != kEndOfChain;
             s = get32(bytes, fatAt + 4 * s)) {
            for (uint32_t i = 0; i < 4; ++i)
                dirEntries.push_back(bytes.subspan((s + 1) * 512 + 128 * i, 128));
        }
        auto color = [&](uint32_t id) { return static_cast<Color>(dirEntries[id][kColorAt]); };
        auto nameOf = [&](uint32_t id) {
            std::u16string name;
            for (size_t i = 0; get16(dirEntries[id], 2 * i) != 0; ++i) {
                name.push_back(get16(dirEntries[id], 2 * i));
            }
            return name;
        };
        int visited = 0;
        std::u16string previous;
        std::function<int(uint32_t, bool)> blackHeight = [&](uint32_t id, bool redParent) {
            if (id == kNoStream) return 1;
            const bool red = color(id) == Color::Red;
            EXPECT_FALSE(red && redParent);
            const int left = blackHeight(get32(dirEntries[id], kLeftAt), red);
            EXPECT_LT(compareNames(previous, nameOf(id)), 0);  // in order, and unique
            previous = nameOf(id);
            ++visited;
            const int right = blackHeight(get32(dirEntries[id], kRightAt), red);
            EXPECT_EQ(left, right);
            return left + (red ? 0 : 1);
        };
        const uint32_t top = get32(dirEntries[0], kChildAt);
        EXPECT_EQ(color(top), Color::Black);
        blackHeight(top, false);
        EXPECT_EQ(visited, count);
    }
}

TEST(CompoundFileWriter, BadNamesAndMisuseAreRefused) {
    test::TempDir dir;
    CompoundFileWriter w(dir / "bad.cfb");
    EXPECT_THROW(w.addStorage(w.root(), ""), CfbError);
    EXPECT_THROW(w.addStorage(w.root(), std::string(32, 'x')), CfbError);
    EXPECT_THROW(w.addStorage(w.root(), "a/b"), CfbError);
    EXPECT_NO_THROW(w.addStorage(w.root(), std::string(31, 'x')));
    w.beginStream(w.root(), "open");
    EXPECT_THROW(w.addStorage(w.root(), "x"), CfbError);
    EXPECT_THROW(w.commit(), CfbError);
    w.endStream();
    EXPECT_THROW(w.write(std::vector<uint8_t>(3)), CfbError);
}

TEST(CompoundFileWriter, DuplicateNamesFailTheCommit) {
    test::TempDir dir;
    CompoundFileWriter w(dir / "dup.cfb");
    w.addStream(w.root(), "Name", {});
    w.addStream(w.root(), "NAME", {});
    EXPECT_THROW(w.commit(), CfbError);
}

TEST(CompoundFileWriter, ASampleCopiedIntoAStorage) {
    PELLMARK_SAMPLE_OR_SKIP(path, "msg/tika__testMSG_att_doc.msg");
    test::TempDir dir;
    const auto source = CompoundFileReader::open(path);
    {
        CompoundFileWriter w(dir / "copy.cfb");
        const EntryId into = w.addStorage(w.root(), "copy");
        copyStorage(source, source.root(), w, into);
        w.commit();
    }
    const auto copy = CompoundFileReader::open(dir / "copy.cfb");
    const EntryId into = *copy.child(copy.root(), "copy");
    EXPECT_EQ(streamsOf(copy, into, ""), streamsOf(source, source.root(), ""));
    EXPECT_EQ(copy.classId(into), source.classId(source.root()));
}

}  // namespace
}  // namespace pellmark::cfb
