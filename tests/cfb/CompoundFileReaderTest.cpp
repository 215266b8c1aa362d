// The reader against olefile on the samples Outlook wrote, and on files damaged by hand: every
// fault is a CfbError naming it, and what the fault does not touch stays readable.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>

#include "base/Sha256.h"
#include "cfb/CfbFormat.h"
#include "cfb/CompoundFileReader.h"
#include "support/Readers.h"
#include "support/TestFiles.h"

namespace pellmark::cfb {
namespace {

using namespace format;

std::string hexOf(const ClassId& id) {
    if (std::all_of(id.begin(), id.end(), [](uint8_t b) { return b == 0; })) return "-";
    static const char* digits = "0123456789abcdef";
    // Shown as olefile shows a class id: its first three fields read little-endian.
    const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    std::string out;
    for (int i : order) {
        out += digits[id[i] >> 4];
        out += digits[id[i] & 15];
    }
    return out;
}

// The file in ole_listing.py's form.
std::string listing(const CompoundFileReader& file) {
    std::vector<std::string> lines{"storage / " + hexOf(file.classId(file.root()))};
    std::vector<std::pair<EntryId, std::string>> todo{{file.root(), ""}};
    while (!todo.empty()) {
        auto [storage, path] = todo.back();
        todo.pop_back();
        for (const EntryId id : file.children(storage)) {
            const std::string name = path + "/" + file.name(id);
            if (file.isStorage(id)) {
                lines.push_back("storage " + name + " " + hexOf(file.classId(id)));
                todo.emplace_back(id, name);
                continue;
            }
            const auto bytes = file.readStream(id);
            base::Sha256 hash;
            hash.update({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
            lines.push_back("stream " + name + " " + std::to_string(bytes.size()) + " " +
                            hash.hex());
        }
    }
    std::sort(lines.begin(), lines.end());
    std::string out;
    for (const auto& line : lines) out += line + "\n";
    return out;
}

std::vector<std::filesystem::path> sampleMsgFiles() {
    std::vector<std::filesystem::path> out;
    const auto dir = test::samplesDir() / "msg";
    if (test::samplesDir().empty() || !std::filesystem::is_directory(dir)) return out;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        if (e.path().extension() == ".msg") out.push_back(e.path());
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST(CompoundFileReader, SamplesReadAsOlefileReadsThem) {
    const auto samples = sampleMsgFiles();
    if (samples.empty()) GTEST_SKIP() << "../shared/samples/msg is missing";
    for (const auto& path : samples) {
        SCOPED_TRACE(path.filename().string());
        const auto expected =
            test::runPythonTool("ole_listing.py", test::shellQuote(path.string()));
        ASSERT_EQ(expected.status, 0);
        EXPECT_EQ(listing(CompoundFileReader::open(path)), expected.out);
        const std::string bytes = test::readFile(path);
        EXPECT_EQ(listing(CompoundFileReader::fromBytes({bytes.begin(), bytes.end()})),
                  expected.out);
    }
}

TEST(CompoundFileReader, PiecesAndNamesOfASample) {
    PELLMARK_SAMPLE_OR_SKIP(path, "msg/tika__testMSG_att_doc.msg");
    const auto file = CompoundFileReader::open(path);
    // Names compare as upper case; every stream reads the same whole and in odd pieces,
    // across sector and mini-sector edges.
    const auto props = file.child(file.root(), "__PROPERTIES_version1.0");
    ASSERT_TRUE(props);
    EXPECT_EQ(file.name(*props), "__properties_version1.0");
    EXPECT_FALSE(file.child(file.root(), "__properties_version1.1"));
    size_t bigStreams = 0;
    std::vector<EntryId> todo{file.root()};
    while (!todo.empty()) {
        const EntryId storage = todo.back();
        todo.pop_back();
        for (const EntryId id : file.children(storage)) {
            if (file.isStorage(id)) {
                todo.push_back(id);
                continue;
            }
            EXPECT_EQ(file.child(storage, file.name(id)), id);
            const auto whole = file.readStream(id);
            bigStreams += whole.size() >= kMiniStreamCutoff;
            std::vector<uint8_t> pieces;
            std::vector<uint8_t> piece(61);
            while (size_t n = file.readStream(id, pieces.size(), piece)) {
                pieces.insert(pieces.end(), piece.begin(), piece.begin() + n);
            }
            EXPECT_EQ(pieces, whole) << file.name(id);
        }
    }
    EXPECT_GT(bigStreams, 0u);
}

// A small version 3 file built by hand: FAT in sector 0, the directory in 1 and 2, the mini
// FAT in 3, the mini stream in 4, "Big" (5,000 bytes) in 5 to 14; "Sub" holds "Inner".
//   root -> Sub (left Big, right Small); Sub -> Inner
struct HandMade {
    static constexpr uint32_t kRoot = 0, kBig = 1, kSmall = 2, kSub = 3, kInner = 4;
    std::vector<uint8_t> bytes = std::vector<uint8_t>(16 * 512, 0);

    HandMade() {
        std::copy(std::begin(kSignature), std::end(kSignature), bytes.begin());
        put16(bytes, kMinorVersionAt, 0x3E);
        put16(bytes, kMajorVersionAt, 3);
        put16(bytes, kByteOrderAt, 0xFFFE);
        put16(bytes, kSectorShiftAt, 9);
        put16(bytes, kMiniSectorShiftAt, 6);
        put32(bytes, kFatSectorCountAt, 1);
        put32(bytes, kFirstDirSectorAt, 1);
        put32(bytes, kCutoffAt, kMiniStreamCutoff);
        put32(bytes, kFirstMiniFatSectorAt, 3);
        put32(bytes, kMiniFatSectorCountAt, 1);
        put32(bytes, kFirstDifatSectorAt, kEndOfChain);
        for (size_t i = 0; i < kHeaderDifatEntries; ++i) {
            put32(bytes, kHeaderDifatAt + 4 * i, i == 0 ? 0 : kFreeSector);
        }
        for (uint32_t s = 0; s < 128; ++s) fat(s, kFreeSector);
        fat(0, kFatSector);
        fat(1, 2);
        fat(2, kEndOfChain);
        fat(3, kEndOfChain);
        fat(4, kEndOfChain);
        for (uint32_t s = 5; s < 14; ++s) fat(s, s + 1);
        fat(14, kEndOfChain);
        for (uint32_t s = 0; s < 128; ++s) miniFat(s, kFreeSector);
        miniFat(0, 1);
        miniFat(1, kEndOfChain);
        miniFat(2, kEndOfChain);
        entry(kRoot, u"Root Entry", EntryType::Root, kNoStream, kNoStream, kSub, 4, 192);
        entry(kBig, u"Big", EntryType::Stream, kNoStream, kNoStream, kNoStream, 5, 5000);
        entry(kSmall, u"Small", EntryType::Stream, kNoStream, kNoStream, kNoStream, 0, 100);
        entry(kSub, u"Sub", EntryType::Storage, kBig, kSmall, kInner, 0, 0);
        entry(kInner, u"Inner", EntryType::Stream, kNoStream, kNoStream, kNoStream, 2, 10);
        for (size_t i = 0; i < 5000; ++i) bytes[6 * 512 + i] = static_cast<uint8_t>(i * 7 % 251);
        for (size_t i = 0; i < 100; ++i) bytes[5 * 512 + i] = static_cast<uint8_t>(i % 13 + 1);
        std::copy_n("0123456789", 10, bytes.begin() + 5 * 512 + 128);
    }
    size_t sector(uint32_t s) const { return (s + 1) * 512; }
    void fat(uint32_t s, uint32_t next) { put32(bytes, sector(0) + 4 * s, next); }
    void miniFat(uint32_t s, uint32_t next) { put32(bytes, sector(3) + 4 * s, next); }
    size_t entryAt(uint32_t id) const { return sector(1 + id / 4) + 128 * (id % 4); }
    void entry(uint32_t id, std::u16string_view name, EntryType type, uint32_t left, uint32_t right,
               uint32_t child, uint32_t start, uint64_t size) {
        const size_t at = entryAt(id);
        for (size_t i = 0; i < name.size(); ++i) put16(bytes, at + 2 * i, name[i]);
        put16(bytes, at + kNameLengthAt, static_cast<uint16_t>(2 * name.size() + 2));
        bytes[at + kTypeAt] = static_cast<uint8_t>(type);
        bytes[at + kColorAt] = static_cast<uint8_t>(Color::Black);
        put32(bytes, at + kLeftAt, left);
        put32(bytes, at + kRightAt, right);
        put32(bytes, at + kChildAt, child);
        put32(bytes, at + kStartSectorAt, start);
        put64(bytes, at + kSizeAt, size);
    }
    void link(uint32_t id, size_t field, uint32_t to) { put32(bytes, entryAt(id) + field, to); }
};

// Opens the file and reads every stream; the first CfbError's text, or "" when all went well.
std::string firstFault(std::vector<uint8_t> bytes) {
    try {
        listing(CompoundFileReader::fromBytes(std::move(bytes)));
    } catch (const CfbError& e) {
        return e.what();
    }
    return "";
}

TEST(CompoundFileReader, HandMadeFileReads) {
    HandMade made;
    const auto file = CompoundFileReader::fromBytes(made.bytes);
    EXPECT_EQ(file.children(file.root()), (std::vector<EntryId>{1, 3, 2}));
    EXPECT_EQ(file.children(3), (std::vector<EntryId>{4}));
    const auto big = file.readStream(1);
    ASSERT_EQ(big.size(), 5000u);
    EXPECT_EQ(big[4999], 4999 * 7 % 251);
    EXPECT_EQ(file.readStream(2)[99], 99 % 13 + 1);
    const auto inner = file.readStream(4);
    EXPECT_EQ(std::string(inner.begin(), inner.end()), "0123456789");
    EXPECT_THROW(file.readStream(3), CfbError);  // a storage
    EXPECT_THROW(file.name(99), CfbError);
}

TEST(CompoundFileReader, DamageIsNamedNeverFollowed) {
    using H = HandMade;
    const std::vector<std::tuple<const char*, std::function<void(H&)>, const char*>> cases = {
        {"chain loop", [](H& h) { h.fat(10, 7); }, "loops"},
        {"chain past the end", [](H& h) { h.fat(6, 5000); }, "past the end"},
        {"chain cut short", [](H& h) { h.fat(8, kEndOfChain); }, "ends after 4 sectors"},
        {"chains crossed", [](H& h) { h.link(H::kInner, kStartSectorAt, 1); }, "crosses"},
        {"stream size past the end",
         [](H& h) { put64(h.bytes, h.entryAt(H::kBig) + kSizeAt, 1'000'000'000); },
         "passes the end of the file"},
        {"mini stream cut short", [](H& h) { put64(h.bytes, h.entryAt(H::kRoot) + kSizeAt, 64); },
         "past the end of the mini stream"},
        {"file cut short", [](H& h) { h.bytes.resize(10 * 512 + 100); },
         "past the end of the file"},
        {"directory cycle", [](H& h) { h.link(H::kBig, kLeftAt, H::kSub); }, "cycle"},
        {"storage its own child", [](H& h) { h.link(H::kSub, kChildAt, H::kSub); }, "cycle"},
        {"root as a child", [](H& h) { h.link(H::kInner, kRightAt, H::kRoot); }, "cycle"},
        {"link past the directory", [](H& h) { h.link(H::kSmall, kRightAt, 77); },
         "does not exist"},
        {"directory chain loop", [](H& h) { h.fat(2, 1); }, "loops"},
        {"sector shift 10", [](H& h) { put16(h.bytes, kSectorShiftAt, 10); }, "sector shift"},
        {"FAT count past the file", [](H& h) { put32(h.bytes, kFatSectorCountAt, 0x7FFFFFFF); },
         "more than the file"},
        {"FAT sector past the file", [](H& h) { put32(h.bytes, kHeaderDifatAt, 4000); },
         "FAT sector"},
        {"DIFAT loop",
         [](H& h) {
             h.bytes.resize(260 * 512);
             put32(h.bytes, kFatSectorCountAt, 241);
             put32(h.bytes, kDifatSectorCountAt, 2);
             put32(h.bytes, kFirstDifatSectorAt, 15);
             put32(h.bytes, h.sector(15) + 508, 15);
         },
         "DIFAT loops"},
        {"not a compound file", [](H& h) { h.bytes[0] = 'X'; }, "not a compound file"},
    };
    for (const auto& [what, damage, expected] : cases) {
        HandMade made;
        damage(made);
        const std::string fault = firstFault(made.bytes);
        EXPECT_NE(fault.find(expected), std::string::npos) << what << ": " << fault;
    }
    // A damaged stream costs that stream only.
    HandMade made;
    made.fat(10, 7);
    const auto file = CompoundFileReader::fromBytes(made.bytes);
    EXPECT_THROW(file.readStream(H::kBig), CfbError);
    EXPECT_EQ(file.readStream(H::kSmall).size(), 100u);
}

TEST(CompoundFileReader, EveryTruncationFailsCleanly) {
    const HandMade made;
    const size_t dataEnd = made.sector(5) + 5000;  // the end of "Big", the last data
    for (size_t size = 0; size < dataEnd; size += 37) {
        const std::string fault = firstFault({made.bytes.begin(), made.bytes.begin() + size});
        EXPECT_FALSE(fault.empty()) << size;
    }
}

}  // namespace
}  // namespace pellmark::cfb
