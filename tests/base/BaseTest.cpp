// The shared text helpers: what reaches a terminal, trimming, UTF-8 that never fails.

#include <gtest/gtest.h>

#include "base/Printable.h"
#include "base/Text.h"
#include "base/Utf8.h"

namespace pellmark::base {
namespace {

// Names and subjects from a mailbox must not forge lines, move the cursor or reorder what a
// terminal shows.
TEST(Printable, EscapesWhatATerminalWouldObey) {
    EXPECT_EQ(printable("a\tb\nc\r"), "a\\tb\\nc\\r");
    EXPECT_EQ(printable("\x1b[2Jcleared"), "\\x1B[2Jcleared");
    EXPECT_EQ(printable("\xc2\x9b"
                        "31m"),
              "\\u{009B}31m");  // C1 control sequence introducer
    EXPECT_EQ(printable("invoice\xe2\x80\xae"
                        "fdp.exe"),
              "invoice\\u{202E}fdp.exe");
    EXPECT_EQ(printable("\xff"), "\\xFF");
    EXPECT_EQ(printable("Grüße \\\\Store\\Inbox 日本"), "Grüße \\\\Store\\Inbox 日本");
    // A field that programs read doubles backslashes too: no escape reads two ways.
    EXPECT_EQ(printableField("\\\\Store\\t\t"), "\\\\\\\\Store\\\\t\\t");
}

TEST(Text, TrimsOnlyTheGivenBlanks) {
    EXPECT_EQ(trimmed("  \tpath \t"), "path");
    EXPECT_EQ(trimmed("\tpath ", " "), "\tpath");
    EXPECT_EQ(trimmed("   "), "");
}

TEST(Utf8, MalformedInputReadsAsReplacementCharacters) {
    std::string out;
    appendUtf8(out, 0xD800);  // a lone surrogate
    appendUtf8(out, 0x110000);
    appendUtf8(out, U'€');
    EXPECT_EQ(out, "\xef\xbf\xbd\xef\xbf\xbd\xe2\x82\xac");
    const std::string bad =
        "\xc0\xaf"
        "a\xe2\x82";  // overlong '/', then a cut sequence
    size_t pos = 0;
    EXPECT_EQ(decodeUtf8(bad, pos), kReplacementChar);
    EXPECT_EQ(decodeUtf8(bad, pos), kReplacementChar);
    EXPECT_EQ(decodeUtf8(bad, pos), U'a');
    EXPECT_EQ(decodeUtf8(bad, pos), kReplacementChar);
}

}  // namespace
}  // namespace pellmark::base
