// What the .eml save keeps of an item, on real items: transport headers as they came with a
// new MIME structure, headers built from the properties, non-ASCII names and subjects encoded,
// inline images related to the HTML, embedded messages nested, other kinds readable.

#include <gtest/gtest.h>

#include "MimeTestSupport.h"
#include "pstwriter/messaging/PstBuilder.h"
#include "support/TestFiles.h"

namespace pellmark::test {
namespace {

std::string savedEml(store::MailItem& item, const TempDir& dir, const char* name = "item.eml") {
    const auto path = dir / name;
    item.saveAs(path.string(), store::SaveFormat::Eml);
    return readFile(path);
}

std::string headerSection(const std::string& raw) {
    return raw.substr(0, raw.find("\r\n\r\n") + 2);
}

TEST(Eml, TransportHeadersStayAsTheyCameAndOnlyTheMimeStructureIsNew) {
    PELLMARK_SAMPLE_OR_SKIP(pst, "pst/hht__Hello_CJK.pst");
    TempDir dir;
    auto item = firstItemOf(pst, "");
    const std::string headers = headerSection(savedEml(*item, dir));
    // The original block, less MIME-Version and the folded Content-Type of the old body.
    const std::string kept =
        "Return-Path: hmailuser@hmailserver.test\r\n"
        "Received: from H270 (kubernetes.docker.internal [127.0.0.1])\r\n"
        "\tby H270 with ESMTPA\r\n"
        "\t; Sat, 28 Feb 2026 23:00:26 +0900\r\n"
        "From: <hmailuser@hmailserver.test>\r\n"
        "To: <hmailuser@hmailserver.test>\r\n"
        "Subject: Hello +CJK\r\n"
        "Date: Sat, 28 Feb 2026 23:00:26 +0900\r\n"
        "Message-ID: <000001dca8ba$97112960$c5337c20$@hmailserver.test>\r\n"
        "X-Mailer: Microsoft Outlook 15.0\r\n"
        "Thread-Index: AdyougVrJl15hq+gSvSDei8pl3Excg==\r\n"
        "Content-Language: ja\r\n"
        "MIME-Version: 1.0\r\n"
        "Content-Type: multipart/mixed; boundary=";
    EXPECT_EQ(headers.rfind(kept, 0), 0u) << headers;
    EXPECT_EQ(headers.find("NextPart"), std::string::npos) << "the old boundary is gone";
    EXPECT_EQ(headers.find("MIME-Version", headers.find("MIME-Version") + 1), std::string::npos);
}

TEST(Eml, HeadersBuiltFromPropertiesWhenTheItemHasNone) {
    PELLMARK_SAMPLE_OR_SKIP(pst, "pst/tika__testPST.pst");
    TempDir dir;
    // A sent item: no transport headers; the author is known by an Exchange address only.
    const auto path = dir / "sent.eml";
    ASSERT_TRUE(saveItemWithSubject(pst, "FW: First email", store::SaveFormat::Eml, path));
    const std::string headers = headerSection(readFile(path));
    // The Exchange address IMCEA-encapsulated ([MS-OXCMAIL] 2.1.3.1.8): a mailbox readers parse.
    EXPECT_NE(
        headers.find("From: Luis Filipe da Cruz Nassif\r\n <IMCEAEX-_o=PF_ou=Exchange+20Administr"
                     "ative+20Group+20+28FYDIBOHF23SPDLT+29_cn=Recipients_cn=1986a6ceef584908b"
                     "f591fb983a00f9d-Luis+20Filipe+20da+20Cruz+20N@invalid>\r\n"),
        std::string::npos)
        << headers;
    EXPECT_EQ(headers.find("\r\nSender:"), std::string::npos) << "one person, not two";
    EXPECT_NE(headers.find("\r\nTo: \"'lfcnassif@gmail.com'\" <lfcnassif@gmail.com>\r\n"),
              std::string::npos);
    EXPECT_NE(headers.find("\r\nDate: Thu, 26 Nov 2020 "), std::string::npos);
    EXPECT_NE(headers.find("\r\nMessage-ID: <2915856a7d3449e68529f3e61b8d26bc@pf.gov.br>\r\n"
                           "In-Reply-To: <3148510c2360443396a78d35e0888de9@pf.gov.br>\r\n"
                           "References: <3148510c2360443396a78d35e0888de9@pf.gov.br>\r\n"),
              std::string::npos)
        << headers;
    const std::string s = mimeSummary(path);
    EXPECT_NE(s.find("\nheader:subject=FW: First email\n"), std::string::npos) << s;
    EXPECT_NE(s.find("\n3/header:subject=First email\n"), std::string::npos)
        << "the forwarded message\n"
        << s;
}

TEST(Eml, NonAsciiNamesAndSubjectsAreEncodedAndReadBack) {
    PELLMARK_SAMPLE_OR_SKIP(pst, "pst/hht__Hello_CJK.pst");
    PELLMARK_SAMPLE_OR_SKIP(contacts, "pst/hht__contacts.pst");
    TempDir dir;
    const std::string raw = savedEml(*firstItemOf(pst, ""), dir);
    // RFC 2231 for the file name, RFC 2047 for the older name parameter.
    EXPECT_NE(raw.find("filename*=UTF-8''C%20%E4%BD%A0%E5%A5%BD.png"), std::string::npos)
        << raw.substr(0, 4000);
    const std::string s = mimeSummary(dir / "item.eml");
    EXPECT_NE(s.find(" filename=C \xe4\xbd\xa0\xe5\xa5\xbd.png "), std::string::npos) << s;
    EXPECT_NE(s.find("text=Hello C \xe4\xbd\xa0\xe5\xa5\xbd J \xe3\x81\x93\xe3\x82\x93"),
              std::string::npos)
        << s;

    // A subject we write ourselves: encoded words in a 7-bit header.
    auto contact = firstItemOf(contacts, "");
    const std::string headers = headerSection(savedEml(*contact, dir, "contact.eml"));
    EXPECT_NE(headers.find("Subject: =?UTF-8?b?"), std::string::npos) << headers;
    EXPECT_EQ(std::count_if(headers.begin(), headers.end(), [](char c) { return c & 0x80; }), 0);
    EXPECT_NE(mimeSummary(dir / "contact.eml").find("header:subject=" + contact->subject() + "\n"),
              std::string::npos);
}

TEST(Eml, InlineImagesAreRelatedToTheHtmlAndOtherAttachmentsMixed) {
    PELLMARK_SAMPLE_OR_SKIP(pst, "pst/rubymsg__attachAndInline.pst");
    TempDir dir;
    savedEml(*firstItemOf(pst, ""), dir);
    const std::string s = mimeSummary(dir / "item.eml");
    const auto parts = linesStartingWith(s, "part=");
    ASSERT_EQ(parts.size(), 4u) << s;
    EXPECT_EQ(parts[0].rfind("1 text/plain ", 0), 0u);
    EXPECT_EQ(parts[1].rfind("2 text/html ", 0), 0u);
    EXPECT_EQ(parts[2].rfind("3 image/png disposition=inline filename=image001.png "
                             "cid=<image001.png@01D78380.EF6DC500> ",
                             0),
              0u)
        << parts[2];
    EXPECT_EQ(parts[3].rfind("4 image/png disposition=attachment filename=attach.png ", 0), 0u)
        << parts[3];
    EXPECT_NE(s.find("src=\"cid:image001.png@01D78380.EF6DC500\""), std::string::npos);
    const std::string raw = readFile(dir / "item.eml");
    // alternative(plain, related(html, image)) inside mixed, the form mail programs write.
    const size_t mixed = raw.find("Content-Type: multipart/mixed");
    const size_t alternative = raw.find("Content-Type: multipart/alternative");
    const size_t related = raw.find("Content-Type: multipart/related");
    EXPECT_LT(mixed, alternative);
    EXPECT_LT(alternative, related);
    EXPECT_NE(raw.find("type=\"text/html\"", related), std::string::npos);
}

TEST(Eml, EmbeddedMessagesNestAsAttachedMessages) {
    PELLMARK_SAMPLE_OR_SKIP(pst, "pst/hht__msgInMsgInMsg.pst");
    TempDir dir;
    std::filesystem::create_directory(dir / "parts");
    savedEml(*firstItemOf(pst, ""), dir);
    const std::string s = mimeSummary(dir / "item.eml", dir / "parts");
    EXPECT_NE(s.find("\nheader:subject=I have sub attachments!\n"), std::string::npos) << s;
    EXPECT_NE(s.find("\nmessage=3\n3/header:subject=I have attachments!\n"), std::string::npos)
        << s;
    EXPECT_NE(s.find("\n3/message=3\n"), std::string::npos) << s;
    EXPECT_NE(s.find("\n3/3/header:from=Microsoft Outlook <xmailuser@xmailserver.test>\n"),
              std::string::npos)
        << s;
    EXPECT_NE(s.find("\n3/part=4 image/png disposition=attachment filename=green.png "),
              std::string::npos)
        << s;
    EXPECT_NE(s.find("\npart=4 image/png disposition=attachment filename=blue.png "),
              std::string::npos)
        << s;
    EXPECT_EQ(readFile(dir / "parts" / "3_4").substr(1, 3), "PNG");
}

TEST(Eml, OtherKindsCarryTheirFieldsInBothBodies) {
    PELLMARK_SAMPLE_OR_SKIP(pst, "pst/hughbe-hughbe__hughbe_Outlook.pst");
    TempDir dir;
    savedEml(*firstItemOf(pst, "Calendar"), dir, "a.eml");
    const std::string appointment = mimeSummary(dir / "a.eml");
    EXPECT_NE(appointment.find("text=Subject: Appointment Start: Thursday, February 4, 2021"),
              std::string::npos)
        << appointment;
    EXPECT_NE(appointment.find("Start:</th><td>Thursday, February 4, 2021"), std::string::npos)
        << appointment;
    // A name alone is a mailbox every reader shows, not an empty group.
    EXPECT_NE(appointment.find("header:from=Unknown <no-address@invalid>\n"), std::string::npos)
        << appointment;
    savedEml(*firstItemOf(pst, "Tasks"), dir, "t.eml");
    EXPECT_NE(mimeSummary(dir / "t.eml").find("Status: Completed"), std::string::npos);
    savedEml(*firstItemOf(pst, "Contacts"), dir, "c.eml");
    EXPECT_NE(mimeSummary(dir / "c.eml").find("E-mail: email@gmail.com"), std::string::npos);
    // The distribution list lists its members.
    ASSERT_TRUE(
        saveItemWithSubject(pst, "Distribution List", store::SaveFormat::Eml, dir / "d.eml"));
    EXPECT_NE(
        mimeSummary(dir / "d.eml").find("Members: Distribution List Member <email@gmail.com>"),
        std::string::npos);
}

TEST(Eml, MessagesNestAsDeepAsTheReaderReadsAndNoDeeper) {
    TempDir dir;
    for (int depth : {32, 40}) {
        // A message holding a message holding a message ..., `depth` messages in all.
        pstwriter::PstBuilder b;
        pstwriter::Message* m = &b.root().addFolder("Inbox", "IPF.Note").addMessage();
        m->setSubject("level 1").setBody("x");
        for (int level = 2; level <= depth; ++level) {
            m = &m->addEmbeddedMessage("IPM.Note", "inner");
            m->setSubject("level " + std::to_string(level)).setBody("x");
        }
        const auto pst = dir / ("deep" + std::to_string(depth) + ".pst");
        b.write(pst);
        auto item = firstItemOf(pst, "Inbox");
        const auto path = dir / "deep.eml";
        if (depth == 32) {
            item->saveAs(path.string(), store::SaveFormat::Eml);
            std::string innermost;
            for (int level = 1; level < depth; ++level) innermost += "2/";
            EXPECT_NE(mimeSummary(path).find("\n" + innermost + "header:subject=level 32\n"),
                      std::string::npos);
        } else {
            // Deeper than the reader follows: the file is taken for damaged, and nothing is
            // written.
            EXPECT_THROW(item->saveAs(path.string(), store::SaveFormat::Eml), store::StoreError);
            EXPECT_FALSE(std::filesystem::exists(path));
        }
        std::filesystem::remove(path);
    }
}

}  // namespace
}  // namespace pellmark::test
