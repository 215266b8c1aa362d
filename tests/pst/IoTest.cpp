// The bounds-checked reader, the CRC and the block encodings.

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "base/Crc32.h"
#include "pst/io/ByteView.h"
#include "pst/io/Encoding.h"

namespace pellmark::pst {
namespace {

uint32_t bytewiseCrc(Bytes data) {
    uint32_t crc = 0;
    for (uint8_t b : data) {
        crc ^= b;
        for (int k = 0; k < 8; ++k) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return crc;
}

TEST(Crc, MatchesTheBitwiseDefinitionAtEveryLengthAndAlignment) {
    std::vector<uint8_t> data(300);
    std::iota(data.begin(), data.end(), uint8_t{7});
    for (size_t start = 0; start < 9; ++start) {
        for (size_t len : {0u, 1u, 7u, 8u, 9u, 15u, 16u, 17u, 255u, 291u}) {
            Bytes b(data.data() + start, len);
            EXPECT_EQ(base::computeCrc(b), bytewiseCrc(b)) << start << "+" << len;
        }
    }
    // Without zlib's inversions: these are zlib.crc32(d, ~0) ^ ~0.
    const std::string digits = "123456789";
    EXPECT_EQ(base::computeCrc(Bytes(reinterpret_cast<const uint8_t*>(digits.data()), 9)),
              0x2dfd2d88u);
}

TEST(Encoding, PermuteRoundTripsAndMatchesTheTable) {
    std::vector<uint8_t> all(256);
    std::iota(all.begin(), all.end(), uint8_t{0});
    auto enc = all;
    encodePermute(enc);
    EXPECT_EQ(enc[0], 0x41);
    EXPECT_EQ(enc[1], 0x36);
    EXPECT_EQ(enc[255], 0x3d);
    EXPECT_NE(enc, all);
    decodePermute(enc);
    EXPECT_EQ(enc, all);

    // Whole blocks go through vector code where the processor has it; byte by byte it is the
    // table alone. Both agree at every length and for every byte value.
    std::vector<uint8_t> block(8176 + 37);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 167 + i / 256);
    auto encoded = block;
    encodePermute(encoded);
    for (size_t i = 0; i < block.size(); ++i) {
        uint8_t one = block[i];
        encodePermute(std::span(&one, 1));
        ASSERT_EQ(encoded[i], one) << "byte " << i;
    }
    decodePermute(encoded);
    EXPECT_EQ(encoded, block);
}

TEST(Encoding, CyclicIsItsOwnInverseAndDependsOnTheKey) {
    std::vector<uint8_t> data(1000);
    std::iota(data.begin(), data.end(), uint8_t{3});
    auto a = data, b = data;
    cryptCyclic(a, 0x12345678);
    cryptCyclic(b, 0x12345679);
    EXPECT_NE(a, data);
    EXPECT_NE(a, b);
    cryptCyclic(a, 0x12345678);
    EXPECT_EQ(a, data);
    // Only external blocks are encoded; the block id's low 32 bits are the key.
    auto c = data;
    encodeBlock(CryptMethod::Cyclic, c, 0x1'0000'0004ull);
    decodeBlock(CryptMethod::Cyclic, c, 0x4);
    EXPECT_EQ(c, data);
}

TEST(ByteView, RefusesEveryReadOutsideItsBytes) {
    const std::vector<uint8_t> data{1, 2, 3, 4, 5, 6, 7, 8};
    ByteView v(data);
    EXPECT_EQ(v.u32(4), 0x08070605u);
    EXPECT_EQ(v.uint(0, 4), 0x04030201u);
    EXPECT_THROW(v.u32(5), PstError);
    EXPECT_THROW(v.u64(1), PstError);
    EXPECT_THROW(v.sub(8, 1), PstError);
    EXPECT_NO_THROW(v.sub(8, 0));
    // Offsets near the top of the address space must not wrap around the check.
    EXPECT_FALSE(v.fits(~size_t{0}, 2));
    EXPECT_FALSE(v.fits(2, ~size_t{0}));
    try {
        ByteView(data, ErrorCode::BadHeap).u16(7);
        FAIL();
    } catch (const PstError& e) {
        EXPECT_EQ(e.code(), ErrorCode::BadHeap);
    }
}

}  // namespace
}  // namespace pellmark::pst
