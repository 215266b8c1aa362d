// Values in the file's own forms: UTF-16 with surrogate pairs, code pages with a stand-in for
// what they lack, multi-valued layouts; and generated content that reads the same in any cut.

#include <gtest/gtest.h>

#include "pstwriter/GeneratedContent.h"
#include "pstwriter/ltp/ValueEncoder.h"

namespace pellmark::test {
namespace {

using namespace pstwriter;

ByteVec bytes(std::initializer_list<int> v) {
    ByteVec out;
    for (int b : v) out.push_back(static_cast<uint8_t>(b));
    return out;
}

TEST(ValueEncoder, Utf16KeepsEveryCharacterAndReplacesMalformedInput) {
    EXPECT_EQ(utf16le("A\xC3\xA9"), bytes({'A', 0, 0xE9, 0}));
    EXPECT_EQ(utf16le("\xF0\x9F\x98\x80"), bytes({0x3D, 0xD8, 0x00, 0xDE}));  // U+1F600
    EXPECT_EQ(utf16le("\xE6\x97\xA5"), bytes({0xE5, 0x65}));                  // U+65E5
    // A stray continuation byte and a truncated sequence each become U+FFFD.
    EXPECT_EQ(utf16le("\x80"
                      "a\xE6\x97"),
              bytes({0xFD, 0xFF, 'a', 0, 0xFD, 0xFF, 0xFD, 0xFF}));
    // Encoded surrogates are not characters.
    EXPECT_EQ(utf16le("\xED\xA0\x80"), bytes({0xFD, 0xFF}));
}

TEST(ValueEncoder, CodePagesMarkWhatTheyCannotShow) {
    EXPECT_EQ(toCodepage("Gr\xC3\xBC\xC3\x9F"
                         "e",
                         1252),
              bytes({'G', 'r', 0xFC, 0xDF, 'e'}));
    EXPECT_EQ(toCodepage("\xE2\x82\xAC", 1252), bytes({0x80}));  // the euro sign
    const ByteVec cjk = toCodepage(
        "a\xE6\x97\xA5"
        "b",
        1252);
    EXPECT_EQ(cjk.front(), 'a');
    EXPECT_EQ(cjk.back(), 'b');
    EXPECT_EQ(cjk.size(), 3u);
    EXPECT_EQ(toCodepage("\xE6\x97\xA5", 932), bytes({0x93, 0xFA}));
    EXPECT_THROW(toCodepage("x", 4242), std::invalid_argument);
}

TEST(ValueEncoder, StoredFormsFollowTheFile) {
    const TextCodec unicode(true), ansi(false);
    EXPECT_EQ(storeValue(1, PropValue::string("Hi"), ansi).type, PropType::String8);
    EXPECT_EQ(storeValue(1, PropValue::string("Hi"), ansi).bytes, bytes({'H', 'i'}));
    EXPECT_EQ(storeValue(1, PropValue::string("Hi"), unicode).type, PropType::Unicode);
    EXPECT_EQ(storeValue(1, PropValue::int16(-2), unicode).bytes, bytes({0xFE, 0xFF}));
    EXPECT_EQ(storeValue(1, PropValue::boolean(true), unicode).bytes, bytes({1}));
    // Multi-valued variable-size data: a count, offsets from the start, then the items.
    const StoredProp mv = storeValue(
        1, PropValue(PropType::MultiBinary, std::vector<ByteVec>{{7}, {}, {8, 9}}), unicode);
    EXPECT_EQ(mv.bytes, bytes({3, 0, 0, 0, 16, 0, 0, 0, 17, 0, 0, 0, 17, 0, 0, 0, 7, 8, 9}));
    const StoredProp ints =
        storeValue(1, PropValue(PropType::MultiInt16, std::vector<int64_t>{1, -1}), unicode);
    EXPECT_EQ(ints.bytes, bytes({1, 0, 0xFF, 0xFF}));
    EXPECT_THROW(PropValue(PropType::Int32, std::string("x")), std::invalid_argument);
}

TEST(GeneratedContent, ReadsTheSameInAnyCut) {
    const GeneratedContent content(10007, 99);
    const ByteVec whole = content.all();
    ByteVec pieces;
    for (uint64_t off = 0; off < whole.size();) {
        ByteVec part(std::min<size_t>(13 + off % 29, whole.size() - off));
        content.read(off, part);
        pieces.insert(pieces.end(), part.begin(), part.end());
        off += part.size();
    }
    EXPECT_EQ(pieces, whole);
    EXPECT_NE(GeneratedContent(64, 1).all(), GeneratedContent(64, 2).all());
    for (uint8_t c : GeneratedContent(500, 5, true).all())
        EXPECT_TRUE(c == '\n' || (c >= ' ' && c < 127));
}

}  // namespace
}  // namespace pellmark::test
