#include "formats/body/HtmlToText.h"

#include <gtest/gtest.h>

namespace pellmark::formats {
namespace {

TEST(TextFromHtml, DropsWhatBrowsersDoNotShow) {
    EXPECT_EQ(textFromHtml(
                  "<html><head><title>T</title><meta charset=utf-8>"
                  "<style>p {color:red}</style></head><body>"
                  "<script>if (a < b) document.write('x')</script>"
                  "<!-- comment <p>hidden</p> --><!--[if gte mso 9]><xml><o:x/></xml><![endif]-->"
                  "<![if !supportLists]>Shown<![endif]><STYLE type=\"text/css\">x</STYLE>"
                  "</body></html>"),
              "Shown");
    // A head that is never closed ends where the body starts.
    EXPECT_EQ(textFromHtml("<head><title>T</title><body>Body"), "Body");
}

TEST(TextFromHtml, CollapsesWhitespaceAsBrowsersDo) {
    EXPECT_EQ(textFromHtml("  Hello\r\n   big \t world  "), "Hello big world");
    EXPECT_EQ(textFromHtml("a<b> bold </b>c <i>d</i>"), "a bold c d");
    EXPECT_EQ(textFromHtml("a&nbsp;&nbsp;b"), "a  b");
    EXPECT_EQ(textFromHtml("<pre>  x\n    y</pre>z"), "  x\n    y\nz");
}

TEST(TextFromHtml, BreaksLinesAtBlocks) {
    EXPECT_EQ(textFromHtml("<p class=MsoNormal>One<o:p></o:p></p><p>Two</p><div>Three<br>Four</div>"
                           "<p>&nbsp;</p><h1>Five</h1>Six<br><br>Seven"),
              "One\nTwo\nThree\nFour\n\nFive\nSix\n\nSeven");
    EXPECT_EQ(textFromHtml("<div>a<br></div><div>b</div>"), "a\nb");
    EXPECT_EQ(textFromHtml("x<hr>y"), "x\n________________________________\ny");
}

TEST(TextFromHtml, MarksListItemsAndSeparatesCells) {
    EXPECT_EQ(textFromHtml("<ul><li>one<li>two<ul><li>inner</li></ul></li></ul>"
                           "<ol><li>first</li><li>second</li></ol>"),
              "\xE2\x80\xA2 one\n\xE2\x80\xA2 two\n  \xE2\x80\xA2 inner\n1. first\n2. second");
    EXPECT_EQ(
        textFromHtml("<table><tr><td>a</td><td> b </td></tr><tr><th>c</th><td>d</td></tr></table>"),
        "a\tb\nc\td");
}

TEST(TextFromHtml, DecodesCharacterReferences) {
    EXPECT_EQ(
        textFromHtml(
            "&lt;a&gt; &amp; &quot;q&quot; &apos;&eacute;&Eacute;&euro;&#233;&#xE9;&#X1F600;"),
        "<a> & \"q\" '\xC3\xA9\xC3\x89\xE2\x82\xAC\xC3\xA9\xC3\xA9\xF0\x9F\x98\x80");
    // Windows-1252 for the C1 range; invalid numbers become U+FFFD; unknown names stay.
    EXPECT_EQ(textFromHtml("&#150;&#0;&#xD800;&#99999999;"),
              "\xE2\x80\x93\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(textFromHtml("&bogus; &amp &copy2 AT&T &euro"),
              "&bogus; & \xC2\xA9"
              "2 AT&T &euro");
}

TEST(TextFromHtml, KeepsLinkTextAndToleratesBrokenMarkup) {
    EXPECT_EQ(textFromHtml("<a href=\"http://x/?a>b\" title = '>'>the link</a>"), "the link");
    EXPECT_EQ(textFromHtml("<span title=it's>shown</span>'"), "shown'");
    EXPECT_EQ(textFromHtml("a < b and c<3 <"), "a < b and c<3 <");
    EXPECT_EQ(textFromHtml("text<p class=\"unterminated"), "text");
    EXPECT_EQ(textFromHtml("<script>never closed"), "");
    EXPECT_EQ(textFromHtml("<!-- never closed"), "");
    EXPECT_EQ(textFromHtml(""), "");
}

TEST(EscapeHtml, EscapesTheFiveSpecialCharacters) {
    EXPECT_EQ(escapeHtml("<a href=\"x\">Tom & Jerry's</a> caf\xC3\xA9"),
              "&lt;a href=&quot;x&quot;&gt;Tom &amp; Jerry&#39;s&lt;/a&gt; caf\xC3\xA9");
}

}  // namespace
}  // namespace pellmark::formats
