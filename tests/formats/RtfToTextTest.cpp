#include "formats/body/RtfToText.h"

#include <gtest/gtest.h>

#include <random>

#include "formats/BodySamples.h"
#include "formats/body/CompressedRtf.h"
#include "support/TestFiles.h"

namespace pellmark::formats {
namespace {

// Modelled on the encapsulation example of [MS-OXRTFEX] section 3.1: HTML tags in
// \*\htmltag groups, text between them, RTF-only parts marked with \htmlrtf.
const std::string kEncapsulatedRtf =
    R"({\rtf1\ANSI\ansicpg1251\fromhtml1 \deff0{\fonttbl {\f0\fmodern Courier New;}{\f1\fswiss Arial;}{\f2\fswiss\fcharset0 Arial;}}
{\colortbl\red0\green0\blue0;\red0\green0\blue255;} 
{\*\htmltag64}
\uc1\pard\plain\deftab360 \f0\fs24 {\*\htmltag <HTML><head>\par
<style>\par
<!--\par
  /* Style Definitions */\par
  p.MsoNormal, li.MsoNormal \{font-family:Arial;\}\par
-->\par
</style>\par
\tab <!-- This is a HTML comment.\par
There is a horizontal tab (%x09) character before the comment,\par
and some new lines inside the comment. -->\par
</head>\par
<body>\par
<p\par
class="MsoNormal">}{\htmlrtf \f1 \htmlrtf0 Note the line break inside a P tag. {\*\htmltag <b>}{\htmlrtf \b \htmlrtf0 This is a bold text{\*\htmltag </b>}} \htmlrtf\par\htmlrtf0}
\htmlrtf \par \htmlrtf0
{\*\htmltag </p>\par
<p class="MsoNormal">\par
}{\htmlrtf \f1 \htmlrtf0 This is a normal text with a character references: {\*\htmltag &nbsp;}\htmlrtf \'a0\htmlrtf0  {\*\htmltag &lt;}\htmlrtf <\htmlrtf0  {\*\htmltag &uml;}\htmlrtf {\f2\'a8}\htmlrtf0{\*\htmltag <br>\par
}\htmlrtf\line\htmlrtf0 characters which have special meaning in RTF: \{\}\\{\*\htmltag <br>\par
}\htmlrtf\line\htmlrtf0\htmlrtf\par\htmlrtf0}
{\*\htmltag </p>\par
<ol>\par
<li class="MsoNormal">}{\htmlrtf {{\*\pn\pnlvlbody\pndec\pnstart1\pnindent360{\pntxta.}}\li360\fi-360{\pntext 1.\tab} \htmlrtf0 This is a list item}\htmlrtf\par\htmlrtf0}
{\*\htmltag \par
</ol>\par
</body>\par
</HTML>\par
}}
)";

const std::string kOriginalHtml =
    "<HTML><head>\r\n<style>\r\n<!--\r\n  /* Style Definitions */\r\n"
    "  p.MsoNormal, li.MsoNormal {font-family:Arial;}\r\n-->\r\n</style>\r\n"
    "\t<!-- This is a HTML comment.\r\n"
    "There is a horizontal tab (%x09) character before the comment,\r\n"
    "and some new lines inside the comment. -->\r\n</head>\r\n<body>\r\n<p\r\n"
    "class=\"MsoNormal\">Note the line break inside a P tag. <b>This is a bold text</b> </p>\r\n"
    "<p class=\"MsoNormal\">\r\n"
    "This is a normal text with a character references: &nbsp; &lt; &uml;<br>\r\n"
    "characters which have special meaning in RTF: {}\\<br>\r\n</p>\r\n<ol>\r\n"
    "<li class=\"MsoNormal\">This is a list item\r\n</ol>\r\n</body>\r\n</HTML>\r\n";

std::string html(const std::string& body, const std::string& head = "\\ansicpg1252") {
    return htmlFromRtf("{\\rtf1\\ansi" + head +
                       "\\fromhtml1 \\deff0{\\fonttbl{\\f0\\fswiss Arial;}"
                       "{\\f1\\fnil\\fcharset204 Arial;}{\\f2\\fnil\\fcharset128 MS Gothic;}}"
                       "{\\*\\htmltag64}" +
                       body + "}")
        .value_or("<<not HTML>>");
}

TEST(HtmlFromRtf, RecoversTheEncapsulatedDocument) {
    EXPECT_EQ(rtfOrigin(kEncapsulatedRtf), RtfOrigin::Html);
    EXPECT_EQ(htmlFromRtf(kEncapsulatedRtf), kOriginalHtml);
}

TEST(HtmlFromRtf, OnlyForDocumentsMadeFromHtml) {
    EXPECT_EQ(htmlFromRtf("{\\rtf1\\ansi\\deff0 {\\*\\htmltag <p>}text}"), std::nullopt);
    EXPECT_EQ(htmlFromRtf("{\\rtf1\\ansi\\fromtext \\deff0 text}"), std::nullopt);
    EXPECT_EQ(htmlFromRtf("<html>not rtf</html>"), std::nullopt);
    EXPECT_EQ(htmlFromRtf(""), std::nullopt);
    EXPECT_EQ(rtfOrigin("{\\rtf1\\ansi\\fromtext \\deff0 text}"), RtfOrigin::Text);
    EXPECT_EQ(rtfOrigin("{\\rtf1\\ansi\\deff0 text}"), RtfOrigin::Rtf);
}

TEST(HtmlFromRtf, DecodesBytesInTheRightCodePage) {
    // Inside tags the document's code page; between them the selected font's.
    EXPECT_EQ(html("{\\*\\htmltag <p title=\"\\'cf\\'f0\\'e8\">}", "\\ansicpg1251"),
              "<p title=\"\xD0\x9F\xD1\x80\xD0\xB8\">");
    EXPECT_EQ(html("{\\*\\htmltag <p>}\\f1 \\'cf\\'f0\\'e8\\f0 \\'e9"),
              "<p>\xD0\x9F\xD1\x80\xD0\xB8\xC3\xA9");
    // A double-byte character whose second byte is written as plain text.
    EXPECT_EQ(html("{\\*\\htmltag <p>}\\f2 \\'83e\\'83X\\'83g"),
              "<p>\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88");
    EXPECT_EQ(html("{\\*\\htmltag <p>}\\'ff\\'fe", "\\ansicpg65001"),
              "<p>\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(HtmlFromRtf, DecodesUnicodeWithItsFallbacks) {
    EXPECT_EQ(html("{\\*\\htmltag <p>}\\u1055?\\u-3?x"), "<p>\xD0\x9F\xEF\xBF\xBDx");
    EXPECT_EQ(html("\\uc2{\\*\\htmltag <p>}\\u26085\\'93\\'fa!"), "<p>\xE6\x97\xA5!");
    EXPECT_EQ(html("\\uc0{\\*\\htmltag <p>}\\u233 x"), "<p>\xC3\xA9x");
    EXPECT_EQ(html("{\\*\\htmltag <p>}\\u-10179?\\u-8704?"), "<p>\xF0\x9F\x98\x80");
    EXPECT_EQ(html("{\\*\\htmltag <p>}\\u-10179?x"), "<p>\xEF\xBF\xBDx");  // a lone surrogate
    // A fallback is skipped only within its group.
    EXPECT_EQ(html("{\\*\\htmltag <i>\\u233}x"), "<i>\xC3\xA9x");
}

TEST(HtmlFromRtf, SkipsWhatIsNotTheOriginal) {
    // Rewritten MHTML tags, other destinations, binary data holding braces.
    EXPECT_EQ(html("{\\*\\mhtmltag84 <img src=\"x\">}{\\*\\htmltag84 <img src=\"cid:a\">}"),
              "<img src=\"cid:a\">");
    EXPECT_EQ(html("{\\*\\htmltag <p>}{\\*\\bkmkstart a}{\\pict\\bin3 }{}}x"), "<p>x");
    EXPECT_EQ(html("{\\*\\htmltag <p>}\\htmlrtf {\\b bold} \\htmlrtf0 {\\htmlrtf1 hidden}shown"),
              "<p>shown");
}

TEST(TextFromRtf, ShowsWhatAReaderShows) {
    const std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fcharset204 X;}}"
        "{\\colortbl;\\red0\\green0\\blue0;}{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}}"
        "{\\*\\generator Word}\\pard\\plain Caf\\'e9\\tab x\\par "
        "{\\field{\\*\\fldinst HYPERLINK \"http://a\"}{\\fldrslt link}}\\line "
        "\\f1 \\'cf\\f0  \\lquote q\\rquote  \\emdash {\\pict\\pngblip 89504e47}\\u8364?\\~end}"
        "trailing junk";
    EXPECT_EQ(
        textFromRtf(rtf),
        "Caf\xC3\xA9\tx\nlink\n\xD0\x9F \xE2\x80\x98q\xE2\x80\x99 \xE2\x80\x94\xE2\x82\xAC\xC2\xA0"
        "end");
}

TEST(TextFromRtf, OfDocumentsMadeFromHtmlOrText) {
    EXPECT_EQ(textFromRtf(kEncapsulatedRtf),
              "Note the line break inside a P tag. This is a bold text\n"
              "This is a normal text with a character references:   < \xC2\xA8\n"
              "characters which have special meaning in RTF: {}\\\n"
              "1. This is a list item");
    // The RTF-only parts of a \fromtext document are left out.
    EXPECT_EQ(
        textFromRtf("{\\rtf1\\ansi\\fromtext \\deff0 line\\par{\\htmlrtf extra\\htmlrtf0}two}"),
        "line\ntwo");
}

TEST(TextFromRtf, SurvivesHostileInput) {
    std::string deep(200000, '{');
    deep += "x";
    deep += std::string(200000, '}');
    EXPECT_EQ(textFromRtf("{\\rtf1 " + deep + "}"), "x");
    EXPECT_EQ(textFromRtf("{\\rtf1 a\\"), "a");
    EXPECT_EQ(textFromRtf("{\\rtf1 a\\'4"), "a4");
    EXPECT_EQ(textFromRtf("{\\rtf1 a\\bin999999 {{{"), "a");
    EXPECT_EQ(textFromRtf("{\\rtf1 \\u99999999999999999999?a\\uc99999999999 \\u65 bcd}"),
              "\xEF\xBF\xBD"
              "aA");
}

TEST(TextFromRtf, SurvivesRandomInput) {
    const std::vector<std::string> pieces = {"{",
                                             "}",
                                             "\\",
                                             "\\u",
                                             "\\uc",
                                             "\\'",
                                             "\\'e9",
                                             "\\bin",
                                             "\\*\\htmltag",
                                             "\\htmlrtf",
                                             "\\fonttbl",
                                             "\\f",
                                             "\\fcharset128",
                                             "\\ansicpg",
                                             "\\par",
                                             "-",
                                             "7",
                                             "65535",
                                             " ",
                                             "x",
                                             "\xC3",
                                             "\xA9",
                                             "\n",
                                             "\\*",
                                             "\\pict",
                                             "\\cpg1200",
                                             "\\cpg50220"};
    std::mt19937 rng(5);
    for (int round = 0; round < 2000; ++round) {
        std::string rtf = round % 2 ? "{\\rtf1\\fromhtml1 " : "{\\rtf1 ";
        for (int i = 0; i < 60; ++i) rtf += pieces[rng() % pieces.size()];
        (void)textFromRtf(rtf);
        (void)htmlFromRtf(rtf);
        (void)rtfOrigin(rtf);
    }
}

TEST(TextFromRtf, MatchesUnrtfOnTheSamples) {
    const auto samples = test::sampleCompressedRtfs();
    if (samples.empty()) GTEST_SKIP() << "../shared/samples/msg is missing";
    int compared = 0;
    for (const auto& [name, stream] : samples) {
        SCOPED_TRACE(name);
        const std::string rtf = decompressRtf(
            std::span(reinterpret_cast<const uint8_t*>(stream.data()), stream.size()));
        // unrtf decodes only single-byte text and shows the RTF of HTML bodies.
        if (rtfOrigin(rtf) == RtfOrigin::Html || rtf.find("fcharset136") != std::string::npos)
            continue;
        EXPECT_EQ(test::squeezeSpaces(textFromRtf(rtf)),
                  test::squeezeSpaces(test::unrtfOf(rtf, "--text")));
        ++compared;
    }
    EXPECT_GE(compared, 4);
}

TEST(TextFromRtf, DecodesTheChineseSample) {
    PELLMARK_SAMPLE_OR_SKIP(path, "msg/tika__testMSG_chinese.msg");
    const auto stream = test::readOleStream(path, "__substg1.0_10090102");
    ASSERT_TRUE(stream);
    const std::string text = textFromRtf(
        decompressRtf(std::span(reinterpret_cast<const uint8_t*>(stream->data()), stream->size())));
    EXPECT_EQ(
        text.substr(0, text.find('\n')),
        "Alfresco MSG format testing ( MSG \xE6\xA0\xBC\xE5\xBC\x8F\xE6\xB8\xAC\xE8\xA9\xA6 ) "
        "\xE4\xB8\xAD\xE6\x96\x87\xE6\xB8\xAC\xE8\xA9\xA6");
}

}  // namespace
}  // namespace pellmark::formats
