// Header blocks as stores keep them, and the checks on what items say of their parts: names
// and ids from a mailbox are untrusted and must not break out of the header they go in.

#include <gtest/gtest.h>

#include "MimeTestSupport.h"
#include "formats/mime/MimeHeaders.h"
#include "formats/mime/MimeOutput.h"
#include "formats/mime/MimeParts.h"
#include "pst/ltp/ByteStream.h"
#include "support/TestFiles.h"

namespace pellmark::formats {
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
    for (const char* name : {"Content-Type", "content-transfer-encoding", "CONTENT-DISPOSITION",
                             "Mime-Version", "Content-Length"}) {
        EXPECT_TRUE(isMimeStructureHeader(name)) << name;
    }
    for (const char* name :
         {"Content-Language", "Content-Class", "Received", "X-Content-Type", "Content-Typo"}) {
        EXPECT_FALSE(isMimeStructureHeader(name)) << name;
    }
}

TEST(MimeParts, MimeTypesFromItemsAreCheckedBeforeUse) {
    EXPECT_EQ(cleanMimeType("Image/PNG"), "image/png");
    EXPECT_EQ(cleanMimeType(" text/plain ; charset=utf-8"), "text/plain");
    EXPECT_EQ(cleanMimeType("application/vnd.ms-excel"), "application/vnd.ms-excel");
    for (const char* bad : {"", "image", "/png", "image/", "image/p ng",
                            "image/png\r\nX-Injected: 1", "a/b/c", "t\xc3\xa9xt/plain"}) {
        EXPECT_EQ(cleanMimeType(bad), "") << bad;
    }
}

TEST(MimeParts, NamesAndIdsFromTheItemCannotStartHeaders) {
    ensureGMime();
    auto part =
        dataPart({"report\r\nX-Injected: 1.pdf", "application/pdf", "<id@x\r\nX-Injected: 2>",
                  "a.pdf\r\nX-Injected: 3", true, [] {
                      return std::make_unique<pst::MemoryStream>(std::vector<uint8_t>{1, 2, 3});
                  }});
    auto message = adopt(g_mime_message_new(FALSE));
    g_mime_message_set_mime_part(message.get(), part.get());
    test::TempDir dir;
    writeMimeFile(GMIME_OBJECT(message.get()), dir / "m.eml");
    const std::string s = test::mimeSummary(dir / "m.eml");
    EXPECT_EQ(s.find("header:x-injected"), std::string::npos) << s;
    EXPECT_NE(s.find("filename=report  X-Injected: 1.pdf cid=<id@xX-Injected:2> "),
              std::string::npos)
        << s;
}

}  // namespace
}  // namespace pellmark::formats
