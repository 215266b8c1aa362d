// Header blocks as stores keep them, and the checks on what items say of their parts: names
// and ids from a mailbox are untrusted and must not break out of the header they go in.

#include <gtest/gtest.h>

#include "MimeTestSupport.h"
#include "formats/mime/HeaderFields.h"
#include "formats/mime/MimeHeaders.h"
#include "formats/mime/MimeIdScope.h"
#include "formats/mime/MimeOutput.h"
#include "formats/mime/MimeParts.h"
#include "mapi/ByteStream.h"
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
    auto part =
        dataPart({"report\r\nX-Injected: 1.pdf", "application/pdf", "<id@x\r\nX-Injected: 2>",
                  "a.pdf\r\nX-Injected: 3", true, [] {
                      return std::make_unique<mapi::MemoryStream>(std::vector<uint8_t>{1, 2, 3});
                  }});
    test::TempDir dir;
    test::writeMimeFile(messageEntity("", std::move(part)), dir / "m.eml");
    const std::string s = test::mimeSummary(dir / "m.eml");
    EXPECT_EQ(s.find("header:x-injected"), std::string::npos) << s;
    EXPECT_NE(s.find("filename=report  X-Injected: 1.pdf cid=<id@xX-Injected:2> "),
              std::string::npos)
        << s;
}

// Boundaries follow from the item: the same seed gives the same ones, each multipart its own,
// and a candidate that occurs in what a multipart encloses (a text body, a header line of an
// attached message) gives way to the next.
TEST(MimeParts, BoundariesFollowTheItemAndNeverOccurInWhatTheyEnclose) {
    constexpr const char* kSeed = "Subject: the same item\r\n";
    std::string first, second;
    {
        const MimeIdScope ids(kSeed);
        first = "=-" + MimeIdScope::next();
        second = "=-" + MimeIdScope::next();
    }
    auto build = [&](const std::string& text, const std::string& subject) {
        const MimeIdScope ids(kSeed);
        std::vector<MimePart> alternatives;
        alternatives.push_back(textPart("plain", text));
        alternatives.push_back(textPart("html", "<p>" + text + "</p>"));
        std::vector<MimePart> mixed;
        mixed.push_back(newMultipart("alternative", std::move(alternatives)));
        mixed.push_back(messagePart(
            messageEntity("Subject: " + subject + "\r\n", textPart("plain", "x")), "m.eml"));
        return newMultipart("mixed", std::move(mixed));
    };
    const MimePart plain = build("text", "plain");
    EXPECT_EQ(plain.parts[0].boundary, first);
    EXPECT_EQ(plain.boundary, second);
    EXPECT_EQ(build("text", "plain").boundary, second) << "the same again";

    const MimePart inText = build("a line\n--" + first + "\nmore", "plain");
    EXPECT_NE(inText.parts[0].boundary, first);
    EXPECT_EQ(inText.parts[0].boundary.size(), first.size());
    EXPECT_NE(inText.boundary, inText.parts[0].boundary);
    const MimePart inHeader = build("text", second);
    EXPECT_EQ(inHeader.parts[0].boundary, first);
    EXPECT_NE(inHeader.boundary, second);
    EXPECT_NE(inHeader.boundary, first);
}

// What the writer folds and encodes, read back by Python's email package: text bodies byte for
// byte in each transfer encoding, and header values and file names unchanged by the folding.
TEST(MimeParts, TextBodiesAndFoldedFieldsComeBackExactly) {
    const std::vector<std::string> texts = {
        "",
        "plain ASCII\r\nno final line end",
        // A line over 998 characters, "=" and blanks before line ends: quoted-printable.
        "a = b  \r\n\t\r\n" + std::string(1200, 'x') + "\r\n" + std::string(75, 'y') + "=\r\nend ",
        "Gr\xc3\xbc\xc3\x9f"
        "e, liebe Kolleginnen =?utf-8?q?x?= \r\n" +
            std::string(80, 'z') + "\r\n",
        // Mostly not Latin: base64.
        "\xe4\xbc\x9a\xe8\xad\xb0\xe3\x81\xae\xe8\xad\xb0\xe4\xba\x8b\xe9\x8c\xb2\r\n",
    };
    std::vector<MimePart> parts;
    for (const auto& text : texts) parts.push_back(textPart("plain", text));
    const std::string longAscii = "Quarterly report (final, " + std::string(70, 'v') + ") v2.pdf";
    const std::string longUtf8 = "\xe4\xbc\x9a\xe8\xad\xb0 " + std::string(90, 'w') + ".docx";
    for (const auto& name : {longAscii, longUtf8}) {
        parts.push_back(dataPart(
            {name, "application/octet-stream", "", "", false, [] {
                 return std::make_unique<mapi::MemoryStream>(std::vector<uint8_t>{1, 2, 3});
             }}));
    }
    std::string headers;
    appendField(headers, "From", mailboxText({"Lokay, Michelle \"Shelly\"", "m@x.example"}));
    std::string to;
    for (int i = 0; i < 30; ++i) {
        to += (i ? ", " : "") + mailboxText({"Person " + std::to_string(i), "p@x.example"});
    }
    appendField(headers, "To", to);
    const std::string subject =
        "Re: Angebot f\xc3\xbcr B\xc3\xbcrom\xc3\xb6"
        "bel " +
        std::string(60, 's') + " und  zwei   Leerzeichen";
    appendField(headers, "Subject", encodedText(subject), Fold::Unstructured);

    test::TempDir dir;
    test::writeMimeFile(messageEntity(headers, newMultipart("mixed", std::move(parts))),
                        dir / "m.eml");
    const std::string raw = test::readFile(dir / "m.eml");
    size_t lineStart = 0;
    for (size_t end; (end = raw.find("\r\n", lineStart)) != std::string::npos;
         lineStart = end + 2) {
        ASSERT_LE(end - lineStart, 998u) << raw.substr(lineStart, 80);
    }
    std::filesystem::create_directory(dir / "parts");
    const std::string s = test::mimeSummary(dir / "m.eml", dir / "parts");
    EXPECT_NE(s.find("defects=\nheader-defects=\n"), std::string::npos) << s;
    // Python gives line ends as LF, but for base64.
    auto lf = [](std::string text) {
        for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
        return text;
    };
    for (size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(lf(test::readFile(dir / "parts" / std::to_string(i + 1))), lf(texts[i])) << i;
    }
    EXPECT_NE(s.find("filename=" + longAscii + " "), std::string::npos) << s;
    EXPECT_NE(s.find("filename=" + longUtf8 + " "), std::string::npos) << s;
    EXPECT_NE(s.find("header:from=Lokay, Michelle \"Shelly\" <m@x.example>\n"), std::string::npos)
        << s;
    EXPECT_NE(s.find(", Person 29 <p@x.example>\n"), std::string::npos) << s;
    EXPECT_NE(s.find("header:subject=" + test::collapsed(subject) + "\n"), std::string::npos) << s;
}

}  // namespace
}  // namespace pellmark::formats
