// Header blocks as stores keep them, and the checks on what items claim their parts are.

#include <gtest/gtest.h>

#include "saveas/MimeHeaders.h"
#include "saveas/MimeParts.h"

namespace pellmark::saveas {
namespace {

TEST(MimeHeaders, HeaderBlockKeepsFieldsAsWrittenAndDropsWhatIsNoField) {
    const auto fields = parseHeaderBlock(
        "\tcontinuation of nothing\r\n"
        "Microsoft Mail Internet Headers Version 2.0\r\n"
        "Received: from a.example\r\n"
        "\tby b.example; Mon, 1 Jan 2001 00:00:00 +0000\r\n"
        "X-Broken line without colon\r\n"
        "\tits continuation\r\n"
        "Subject:  two blanks kept \n"
        "Empty:\r"
        "Bad Name: has a blank\r\n"
        "\r\n"
        "Body-Line: not a header\r\n");
    ASSERT_EQ(fields.size(), 3u);
    EXPECT_EQ(fields[0].name, "Received");
    EXPECT_EQ(fields[0].value, " from a.example\n\tby b.example; Mon, 1 Jan 2001 00:00:00 +0000");
    EXPECT_EQ(fields[1].name, "Subject");
    EXPECT_EQ(fields[1].value, "  two blanks kept ");
    EXPECT_EQ(fields[2].name, "Empty");
    EXPECT_EQ(fields[2].value, "");
}

TEST(MimeHeaders, OnlyTheOldBodysStructureIsDropped) {
    for (const char* name : {"Content-Type", "content-transfer-encoding", "CONTENT-DISPOSITION", "Mime-Version",
                             "Content-Length"}) {
        EXPECT_TRUE(isMimeStructureHeader(name)) << name;
    }
    for (const char* name : {"Content-Language", "Content-Class", "Received", "X-Content-Type", "Content-Typo"}) {
        EXPECT_FALSE(isMimeStructureHeader(name)) << name;
    }
}

TEST(MimeParts, MimeTypesFromItemsAreCheckedBeforeUse) {
    EXPECT_EQ(cleanMimeType("Image/PNG"), "image/png");
    EXPECT_EQ(cleanMimeType(" text/plain ; charset=utf-8"), "text/plain");
    EXPECT_EQ(cleanMimeType("application/vnd.ms-excel"), "application/vnd.ms-excel");
    for (const char* bad : {"", "image", "/png", "image/", "image/p ng", "image/png\r\nX-Injected: 1", "a/b/c",
                            "t\xc3\xa9xt/plain"}) {
        EXPECT_EQ(cleanMimeType(bad), "") << bad;
    }
}

}  // namespace
}  // namespace pellmark::saveas
