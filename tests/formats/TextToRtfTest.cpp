#include "formats/body/TextToRtf.h"

#include <gtest/gtest.h>

#include "formats/BodySamples.h"
#include "formats/body/BodyError.h"
#include "formats/body/CompressedRtf.h"
#include "formats/body/RtfToText.h"
#include "support/TestFiles.h"

namespace pellmark::formats {
namespace {

const std::string kHeader = rtfEscape("From: Ann {A}\nSubject: caf\xC3\xA9\n");

// What unrtf shows, as text with whitespace runs squeezed.
std::string unrtfText(const std::string& rtf) {
    return test::squeezeSpaces(test::unrtfOf(rtf, "--text"));
}

TEST(RtfEscape, EscapesEveryKindOfCharacter) {
    EXPECT_EQ(rtfEscape("a{b}\\c\td\r\ne\rf\ng"),
              "a\\{b\\}\\\\c\\tab d\\par\r\ne\\par\r\nf\\par\r\ng");
    EXPECT_EQ(rtfEscape("caf\xC3\xA9 \xE2\x82\xAC \xEF\xBF\xBF"), "caf\\u233? \\u8364? \\u-1?");
    EXPECT_EQ(rtfEscape("\xF0\x9F\x98\x80"), "\\u-10179?\\u-8704?");
    EXPECT_EQ(rtfEscape(std::string("\x01\x1f\x7f\0", 4)), "\\'01\\'1f\\'7f\\'00");
    EXPECT_EQ(rtfEscape("\xFF"), "\\u-3?");  // invalid UTF-8 reads as U+FFFD
}

TEST(RtfFromText, KeepsEveryCharacter) {
    const std::string text =
        "Line one {braces} \\ back\n\tTabbed caf\xC3\xA9 \xD0\x9F\xD1\x80\xD0\xB8 \xE6\x97\xA5 "
        "\xF0\x9F\x98\x80 \x01\n\nLast";
    EXPECT_EQ(textFromRtf(rtfFromText(text)), text);
    EXPECT_EQ(textFromRtf(rtfFromText("a\r\nb\rc")), "a\nb\nc");
    EXPECT_EQ(textFromRtf(rtfFromText("")), "");
}

TEST(RtfFromText, ReadsInUnrtf) {
    const std::string rtf = rtfFromText("Hello {world} \\ caf\xC3\xA9 \xE2\x82\xAC\nSecond line");
    const auto html = test::unrtfOf(rtf, "--html");
    EXPECT_NE(html.find("Hello {world} \\ caf&eacute; &euro;"), std::string::npos) << html;
    EXPECT_NE(html.find("Second line"), std::string::npos) << html;
}

TEST(InsertRtfHeader, ShowsTheHeaderFirstInUnrtf) {
    // A document with a full Word header (style sheet, list tables, generator, info).
    const std::string word =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman "
        "Times;}}{\\colortbl;\\red0\\green0\\blue0;}"
        "{\\stylesheet{\\s0 Normal;}}{\\*\\listtable{\\list\\listid1}}{\\*\\listoverridetable}"
        "{\\info{\\title Secret title}}{\\*\\generator Word;}\\paperw12240\\viewkind4\\uc1 "
        "\\pard\\plain\\qc\\f0\\fs40\\b Body text\\par}";
    const std::string out = insertRtfHeader(word, kHeader);
    const std::string shown = unrtfText(out);
    EXPECT_EQ(shown, "From: Ann {A} Subject: caf? Body text");
    EXPECT_EQ(textFromRtf(out), "From: Ann {A}\nSubject: caf\xC3\xA9\n\nBody text\n");

    // Bodies that start with text, or with a group, or are empty.
    EXPECT_EQ(textFromRtf(insertRtfHeader("{\\rtf1\\ansi{\\fonttbl{\\f0 A;}}Plain}", "H")),
              "H\nPlain");
    EXPECT_EQ(textFromRtf(insertRtfHeader("{\\rtf1 {\\b Bold} rest}", "H")), "H\nBold rest");
    EXPECT_EQ(textFromRtf(insertRtfHeader("{\\rtf1\\ansi}", "H")), "H\n");
    EXPECT_EQ(textFromRtf(insertRtfHeader("{\\rtf1\\ansi ", "H")), "H\n");
}

TEST(InsertRtfHeader, ResetsFormattingOnlyForTheHeader) {
    const std::string out =
        insertRtfHeader("{\\rtf1\\ansi\\uc2\\pard\\qc\\b Body\\par}", "\\u233?");
    EXPECT_NE(out.find("{\\pard\\plain\\uc1 \\u233?\\par}"), std::string::npos) << out;
    EXPECT_EQ(textFromRtf(out), "\xC3\xA9\nBody\n");
}

TEST(InsertRtfHeader, PutsTheHeaderBeforeTheBodyOfEverySample) {
    const auto samples = test::sampleCompressedRtfs();
    if (samples.empty()) GTEST_SKIP() << "../shared/samples/msg is missing";
    for (const auto& [name, stream] : samples) {
        SCOPED_TRACE(name);
        const std::string rtf = decompressRtf(
            std::span(reinterpret_cast<const uint8_t*>(stream.data()), stream.size()));
        const std::string out = insertRtfHeader(rtf, "MARKER-LINE");
        const std::string shown = unrtfText(out);
        EXPECT_EQ(shown.substr(0, 11), "MARKER-LINE") << shown.substr(0, 200);
        // The HTML that a body encapsulates stays as it was.
        if (rtfOrigin(rtf) == RtfOrigin::Html) {
            EXPECT_EQ(htmlFromRtf(out), htmlFromRtf(rtf));
            EXPECT_LT(out.find("MARKER-LINE"), out.find("\\*\\htmltag"));
        } else {
            EXPECT_EQ(textFromRtf(out).substr(0, 12), "MARKER-LINE\n");
        }
    }
}

TEST(InsertRtfHeader, RejectsWhatIsNotRtf) {
    EXPECT_THROW(insertRtfHeader("plain text", "H"), BodyError);
    EXPECT_THROW(insertRtfHeader("", "H"), BodyError);
}

}  // namespace
}  // namespace pellmark::formats
