#include "formats/body/CompressedRtf.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "base/Crc32.h"
#include "formats/BodySamples.h"
#include "formats/body/BodyError.h"

namespace pellmark::formats {
namespace {

using Bytes = std::vector<uint8_t>;

// The two worked examples of [MS-OXRTFCP]: the compressed bytes and their RTF.
const Bytes kSimpleExample = {0x2d, 0x00, 0x00, 0x00, 0x2b, 0x00, 0x00, 0x00, 0x4c, 0x5a,
                              0x46, 0x75, 0xf1, 0xc5, 0xc7, 0xa7, 0x03, 0x00, 0x0a, 0x00,
                              0x72, 0x63, 0x70, 0x67, 0x31, 0x32, 0x35, 0x42, 0x32, 0x0a,
                              0xf3, 0x20, 0x68, 0x65, 0x6c, 0x09, 0x00, 0x20, 0x62, 0x77,
                              0x05, 0xb0, 0x6c, 0x64, 0x7d, 0x0a, 0x80, 0x0f, 0xa0};
const std::string kSimpleRtf = "{\\rtf1\\ansi\\ansicpg1252\\pard hello world}\r\n";

// A reference that reaches into the bytes it is itself writing.
const Bytes kCrossingExample = {0x1a, 0x00, 0x00, 0x00, 0x1c, 0x00, 0x00, 0x00, 0x4c, 0x5a,
                                0x46, 0x75, 0xe2, 0xd4, 0x4b, 0x51, 0x41, 0x00, 0x04, 0x20,
                                0x57, 0x58, 0x59, 0x5a, 0x0d, 0x6e, 0x7d, 0x01, 0x0e, 0xb0};
const std::string kCrossingRtf = "{\\rtf1 WXYZWXYZWXYZWXYZWXYZ}";

std::string decompress(const Bytes& b) {
    return decompressRtf(b);
}

std::span<const uint8_t> bytesOf(const std::string& s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

Bytes header(uint32_t compSize, uint32_t rawSize, uint32_t type, uint32_t crc) {
    Bytes b;
    for (uint32_t v : {compSize, rawSize, type, crc})
        for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
    return b;
}

TEST(CompressedRtf, DecodesTheDocumentExamples) {
    EXPECT_EQ(decompress(kSimpleExample), kSimpleRtf);
    EXPECT_EQ(decompress(kCrossingExample), kCrossingRtf);
}

TEST(CompressedRtf, EncodesTheDocumentExamplesByteForByte) {
    EXPECT_EQ(compressRtf(kSimpleRtf), kSimpleExample);
    EXPECT_EQ(compressRtf(kCrossingRtf), kCrossingExample);
}

TEST(CompressedRtf, ReadsTheUncompressedForm) {
    Bytes b = header(12 + 5, 5, 0x414C454D, 0);
    for (char c : std::string("{abc}")) b.push_back(uint8_t(c));
    b.push_back(0);  // stream padding past the raw size is not RTF
    EXPECT_EQ(decompress(b), "{abc}");
}

TEST(CompressedRtf, RoundTripsAcrossTheDictionaryWrap) {
    std::mt19937 rng(7);
    std::string text;
    // Words repeat at distances near and past the 4 KB window; bytes of every value occur.
    while (text.size() < 300000) {
        text += "\\par Paragraph " + std::to_string(rng() % 5000) + " {\\b bold} ";
        if (rng() % 7 == 0) text += char(rng() % 256);
    }
    for (const std::string& s : {std::string(), std::string("x"), std::string(100000, 'a'), text}) {
        const Bytes packed = compressRtf(s);
        EXPECT_EQ(decompressRtf(packed), s) << "size " << s.size();
    }
    EXPECT_LT(compressRtf(text).size(), text.size() / 2);
}

TEST(CompressedRtf, RejectsDamagedHeaders) {
    EXPECT_THROW(decompress(Bytes(15, 0)), BodyError);
    EXPECT_THROW(decompress(header(12, 0, 0x12345678, 0)), BodyError);  // unknown type
    EXPECT_THROW(decompress(header(4, 0, 0x75465A4C, 0)), BodyError);   // size below the header
    Bytes longer = kSimpleExample;
    longer[0] += 1;  // claims one byte more than is there
    EXPECT_THROW(decompress(longer), BodyError);
    Bytes stored = header(12 + 100, 100, 0x414C454D, 0);
    stored.resize(16 + 99);
    EXPECT_THROW(decompress(stored), BodyError);
}

TEST(CompressedRtf, RejectsDamagedData) {
    Bytes flipped = kSimpleExample;
    flipped[30] ^= 0x10;
    try {
        decompress(flipped);
        FAIL() << "a damaged stream decompressed";
    } catch (const BodyError& e) {
        EXPECT_NE(std::string(e.what()).find("CRC"), std::string::npos) << e.what();
    }
}

// A stream with a correct CRC around the given runs, so the checks past the CRC run.
Bytes withContent(const Bytes& content, uint32_t rawSize) {
    Bytes b = header(uint32_t(12 + content.size()), rawSize, 0x75465A4C, base::computeCrc(content));
    b.insert(b.end(), content.begin(), content.end());
    return b;
}

TEST(CompressedRtf, RejectsReferencesOutsideTheData) {
    // Offset 0xFFF at write position 207 points 208 bytes back: before the dictionary's start.
    EXPECT_THROW(decompress(withContent({0x01, 0xFF, 0xF0}, 100)), BodyError);
    // A reference cut in half by the end of the data.
    EXPECT_THROW(decompress(withContent({0x01, 0x00}, 100)), BodyError);
    // Literals that stop short of the raw size without an end marker.
    EXPECT_THROW(decompress(withContent({0x00, 'a', 'b'}, 100)), BodyError);
}

TEST(CompressedRtf, NeverTrustsTheRawSizeForMemory) {
    // A header claiming 4 GB over a few bytes of runs yields what the runs hold.
    // 'a', then two more copied from it, then the end marker at write position 210.
    const Bytes b = withContent({0x06, 'a', 0x0C, 0xF0, 0x0D, 0x20}, 0xFFFFFFFF);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(decompress(b), "aaa");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    // And output stops at the raw size even when the runs hold more.
    Bytes full = compressRtf(std::string(1000, 'z'));
    full[4] = 10, full[5] = 0;
    EXPECT_EQ(decompress(full), std::string(10, 'z'));
}

TEST(CompressedRtf, SurvivesRandomDamage) {
    const Bytes good = compressRtf(std::string(5000, 'q') + kSimpleRtf + "{\\b x}");
    std::mt19937 rng(11);
    for (int round = 0; round < 3000; ++round) {
        Bytes b = good;
        for (int i = 0; i < 4; ++i) b[16 + rng() % (b.size() - 16)] = uint8_t(rng());
        const Bytes content(b.begin() + 16, b.end());
        const Bytes fixed = withContent(content, uint32_t(rng() % 20000));  // CRC made to match
        try {
            EXPECT_LE(decompress(fixed).size(), 20000u);
        } catch (const BodyError&) {
        }
    }
}

TEST(CompressedRtf, DecompressesTheMsgSamples) {
    const auto samples = test::sampleCompressedRtfs();
    if (samples.empty()) GTEST_SKIP() << "../shared/samples/msg is missing";
    for (const auto& [name, stream] : samples) {
        SCOPED_TRACE(name);
        const std::string rtf = decompressRtf(bytesOf(stream));
        const uint32_t rawSize = uint32_t(uint8_t(stream[4])) | uint32_t(uint8_t(stream[5])) << 8 |
                                 uint32_t(uint8_t(stream[6])) << 16 |
                                 uint32_t(uint8_t(stream[7])) << 24;
        EXPECT_EQ(rtf.size(), rawSize);
        EXPECT_EQ(rtf.substr(0, 6), "{\\rtf1");
        EXPECT_EQ(decompressRtf(compressRtf(rtf)), rtf);
    }
}

TEST(CompressedRtf, DecompressesAMegabyteInMilliseconds) {
    std::string rtf = "{\\rtf1\\ansi ";
    std::mt19937 rng(3);
    while (rtf.size() < (1u << 20))
        rtf += "\\par Line " + std::to_string(rng() % 100000) + " of text";
    rtf += "}";
    const Bytes packed = compressRtf(rtf);
    const auto start = std::chrono::steady_clock::now();
    const int rounds = 20;
    for (int i = 0; i < rounds; ++i) ASSERT_EQ(decompressRtf(packed).size(), rtf.size());
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double mbPerSecond = rounds * double(rtf.size()) / (1 << 20) / seconds;
    RecordProperty("MBps", std::to_string(mbPerSecond));
    std::printf("decompression: %.0f MB/s\n", mbPerSecond);
    EXPECT_LT(seconds / rounds, 0.25);  // generous: sanitizer builds run much slower
}

}  // namespace
}  // namespace pellmark::formats
