// Items shaped like the ones independent readers showed wrongly, saved and read back by those
// readers: senders and recipients without an SMTP address, transport headers with a garbled
// and a doubled Date, HTML that names its images by content location under a <base>, and
// contacts whose display name is not the one their name parts would make. Embedded messages
// carry the same faults and must come out as sound.

#include <gtest/gtest.h>

#include "MimeTestSupport.h"
#include "formats/mime/DateHeader.h"
#include "formats/text/DateFormat.h"
#include "mapi/Tags.h"
#include "pstwriter/GeneratedContent.h"
#include "pstwriter/messaging/ItemKinds.h"
#include "pstwriter/messaging/PstBuilder.h"
#include "support/TestFiles.h"

namespace pellmark::test {
namespace {

namespace prop = mapi::prop;
using pstwriter::PropValue;

// Fri, 5 Oct 2001 17:14:18 -0700, as the Enron items were sent.
const uint64_t kSent = pstwriter::fileTimeFromUnix(1002327258);

// A sender with a name and no address at all, a recipient whose name is an address, one known
// by an Exchange address only, one whose address only its entry id holds.
void addressesWithoutSmtp(pstwriter::Message& m) {
    m.setSubject("Welcome").setBody("Hello").setDate(kSent);
    for (uint16_t id : {prop::kSenderName, prop::kSentRepresentingName}) {
        m.setString(id, "Microsoft Outlook 2000");
    }
    m.setString(prop::kSenderAddrType, "NONE");
    m.addRecipient("nobody@yahoo.com", "");
    auto& ex = m.addRecipient("Luis Nassif", "", pstwriter::RecipientType::Cc);
    ex.setString(prop::kAddrType, "EX");
    ex.setString(prop::kEmailAddress, "/o=PF/ou=Admin Group (FYDI)/cn=Recipients/cn=luis");
    auto& byId = m.addRecipient("Ann Example", "");
    byId.set(prop::kEntryId, PropValue::binary(pstwriter::oneOffEntryId("Ann", "ann@example.com")));
}

std::string savedAs(const std::filesystem::path& pst, store::SaveFormat type,
                    const std::filesystem::path& path) {
    firstItemOf(pst, "Inbox")->saveAs(path.string(), type);
    return readFile(path);
}

TEST(AsItWas, EveryAddressIsAMailboxWithTheBestAddressTheItemHolds) {
    TempDir dir;
    pstwriter::PstBuilder b;
    auto& m = b.root().addFolder("Inbox", "IPF.Note").addMessage();
    addressesWithoutSmtp(m);
    addressesWithoutSmtp(m.addEmbeddedMessage("IPM.Note", "inner"));
    b.write(dir / "a.pst");
    savedAs(dir / "a.pst", store::SaveFormat::Eml, dir / "a.eml");
    const std::string s = mimeSummary(dir / "a.eml");
    EXPECT_EQ(linesStartingWith(s, "header-defects=").at(0), "") << s;
    EXPECT_EQ(s.find(":;"), std::string::npos) << "an empty group\n" << s;
    for (const std::string path : {"", "2/"}) {
        const std::string to = "\n" + path + "header:to=nobody@yahoo.com <nobody@yahoo.com>, " +
                               "Ann Example <ann@example.com>\n";
        EXPECT_NE(s.find("\n" + path + "header:from=Microsoft Outlook 2000 <no-address@invalid>\n"),
                  std::string::npos)
            << s;
        EXPECT_NE(s.find(to), std::string::npos) << s;
        EXPECT_NE(s.find("\n" + path +
                         "header:cc=Luis Nassif <IMCEAEX-_o=PF_ou=Admin+20Group+20+28FYDI+29_"
                         "cn=Recipients_cn=luis@invalid>\n"),
                  std::string::npos)
            << s;
    }
}

// Mail sent on someone's behalf: the author, known by name alone, never takes the address of
// the assistant who sent it.
TEST(AsItWas, AnAuthorOnWhoseBehalfMailWasSentKeepsTheirOwnAddress) {
    TempDir dir;
    pstwriter::PstBuilder b;
    auto& m = b.root().addFolder("Inbox", "IPF.Note").addMessage();
    m.setSubject("On behalf").setBody("x").setDate(kSent).setSender("Assistant", "as@example.com");
    m.set(prop::kSenderEntryId,
          PropValue::binary(pstwriter::oneOffEntryId("Assistant", "as@example.com")));
    m.setString(prop::kSentRepresentingName, "Boss");
    for (uint16_t id : {prop::kSentRepresentingEmailAddress, prop::kSentRepresentingSmtpAddress,
                        prop::kSentRepresentingAddrType}) {
        m.setString(id, "");
    }
    b.write(dir / "b.pst");
    savedAs(dir / "b.pst", store::SaveFormat::Eml, dir / "b.eml");
    const std::string s = mimeSummary(dir / "b.eml");
    EXPECT_NE(s.find("\nheader:from=Boss <no-address@invalid>\n"), std::string::npos) << s;
    EXPECT_NE(s.find("\nheader:sender=Assistant <as@example.com>\n"), std::string::npos) << s;
}

// The Date fields of `eml` (top level and attached messages), and whether Python reads each
// as the instant `kSent`.
std::string datesAsPythonReadsThem(const std::filesystem::path& eml) {
    requireReader(Reader::Python);
    const std::string script =
        "import sys, email, email.policy\n"
        "m = email.message_from_binary_file(open(sys.argv[1], 'rb'), policy=email.policy.default)\n"
        "for p in [m] + [q.get_payload(0) for q in m.walk() if q.get_content_type() == "
        "'message/rfc822']:\n"
        "    print(len(p.get_all('date') or []), int(p['date'].datetime.timestamp()))\n";
    TempDir dir;
    writeFile(dir / "dates.py", script);
    return runCommand("/usr/bin/python3 " + shellQuote((dir / "dates.py").string()) + " " +
                      shellQuote(eml.string()))
        .out;
}

TEST(AsItWas, TransportDateAndAddressesReadersCannotParseGiveWayToTheItems) {
    TempDir dir;
    pstwriter::PstBuilder b;
    auto& m = b.root().addFolder("Inbox", "IPF.Note").addMessage();
    const std::string garbled =
        " Fri, 5 Oct 2001 17:14:18 -0700 (PDT),Fri, 5 Oct 2001 17:14:18 -0700";
    m.setSubject("Garbled").setBody("x").setDate(kSent);
    m.setString(prop::kSenderName, "Lokay, Michelle");
    m.setString(prop::kSenderAddrType, "EX");
    m.setString(prop::kSenderEmailAddress, "/O=ENRON/OU=NA/CN=RECIPIENTS/CN=MLOKAY");
    m.addRecipient("Watson, Kimberly", "kimberly.watson@enron.com");
    m.setString(prop::kTransportMessageHeaders,
                "From: Lokay, Michelle </O=ENRON/OU=NA/CN=RECIPIENTS/CN=MLOKAY>\r\n"
                "To: undisclosed-recipients:;\r\nDate:" +
                    garbled +
                    "\r\nSubject: Garbled\r\ndate: Fri, 5 Oct "
                    "2001 17:14:18 -0700\r\n\r\n");
    // An attached message whose own Date is sound but doubled.
    auto& inner = m.addEmbeddedMessage("IPM.Note", "inner");
    inner.setSubject("Sound").setBody("y").setDate(kSent);
    inner.setString(prop::kTransportMessageHeaders,
                    "From: b@example.com\r\nDate: Fri, 05 Oct 2001 17:14:18 -0700\r\n"
                    "DATE: Sat, 6 Oct 2001 00:14:18 +0000\r\n\r\n");
    b.write(dir / "d.pst");
    const std::string raw = savedAs(dir / "d.pst", store::SaveFormat::Eml, dir / "d.eml");
    const std::string expected = std::to_string(1002327258);
    EXPECT_EQ(datesAsPythonReadsThem(dir / "d.eml"), "1 " + expected + "\n1 " + expected + "\n");
    // The replaced line and the second Date field are kept, nothing else is.
    EXPECT_NE(raw.find("\r\nDate: " + formats::formatRfc5322(kSent) +
                       "\r\nX-Original-Date:" + garbled + "\r\n"),
              std::string::npos)
        << raw;
    EXPECT_NE(raw.find("\r\nX-Original-Date: Fri, 5 Oct 2001 17:14:18 -0700\r\n"),
              std::string::npos);
    // Exchange's unquoted "Surname, Given <X.500 path>" is two broken addresses to a reader.
    const std::string s = mimeSummary(dir / "d.eml");
    EXPECT_NE(s.find("\nheader:from=Lokay, Michelle <IMCEAEX-_O=ENRON_OU=NA_CN=RECIPIENTS_CN=MLOKAY"
                     "@invalid>\n"),
              std::string::npos)
        << s;
    EXPECT_NE(s.find("\nheader:x-original-from=Lokay, Michelle </O=ENRON/OU=NA/CN=RECIPIENTS/"
                     "CN=MLOKAY>\n"),
              std::string::npos)
        << s;
    EXPECT_NE(s.find("\nheader:to=undisclosed-recipients:;\n"), std::string::npos)
        << "a group is sound as it is\n"
        << s;
    EXPECT_NE(raw.find("\r\nDate: Fri, 05 Oct 2001 17:14:18 -0700\r\nX-Original-Date: Sat, 6 Oct "
                       "2001 00:14:18 +0000\r\n"),
              std::string::npos)
        << raw;
}

// Exchange's own addresses, "Enron Global Technology@ENRON": readers take an unquoted local
// part with blanks or specials for its last word, so it goes out as a quoted string.
TEST(AsItWas, AddressesWhoseLocalPartIsNoAtomComeBackWhole) {
    TempDir dir;
    pstwriter::PstBuilder b;
    auto& m = b.root().addFolder("Inbox", "IPF.Note").addMessage();
    m.setSubject("Quoted").setBody("x").setDate(kSent);
    m.setSender("Enron Global Technology@ENRON", "Enron Global Technology@ENRON");
    const std::vector<std::pair<std::string, std::string>> recipients = {
        {"Carl Carter", "Carl Carter/NA/Enron@Enron"},
        {"", "a \"quoted\" \\ word@example.com"},
        {"", ".leading@example.com"},
        {"", "trailing.@example.com"},
        {"", "double..dot@example.com"},
        {"", "comma,(paren)<angle>@example.com"},
        {"Plain", "plain.person@example.com"}};
    for (const auto& [name, address] : recipients) m.addRecipient(name, address);
    b.write(dir / "q.pst");
    const std::string raw = savedAs(dir / "q.pst", store::SaveFormat::Eml, dir / "q.eml");
    EXPECT_NE(raw.find("<\"Enron Global Technology\"@ENRON>"), std::string::npos) << raw;
    EXPECT_NE(raw.find(" \"a \\\"quoted\\\" \\\\ word\"@example.com,"), std::string::npos) << raw;
    EXPECT_NE(raw.find("Plain <plain.person@example.com>"), std::string::npos) << "a dot-atom";
    const std::string s = mimeSummary(dir / "q.eml");
    EXPECT_EQ(linesStartingWith(s, "header-defects=").at(0), "") << s;
    EXPECT_NE(s.find("\nheader:from=Enron Global Technology@ENRON <Enron Global "
                     "Technology@ENRON>\n"),
              std::string::npos)
        << s;
    std::string to;
    for (const auto& [name, address] : recipients) {
        to += (to.empty() ? "" : ", ") + (name.empty() ? address : name + " <" + address + ">");
    }
    EXPECT_NE(s.find("\nheader:to=" + collapsed(to) + "\n"), std::string::npos) << s;
    // The page saved as MIME HTML names its sender the same way.
    savedAs(dir / "q.pst", store::SaveFormat::Mht, dir / "q.mht");
    const std::string page = mimeSummary(dir / "q.mht");
    EXPECT_EQ(linesStartingWith(page, "header-defects=").at(0), "") << page;
    EXPECT_NE(page.find("\nheader:from=Enron Global Technology@ENRON <Enron Global "
                        "Technology@ENRON>\n"),
              std::string::npos)
        << page;
}

// Every address of the Enron sample's messages as Python reads it: none with a defect (the
// obsolete syntax readers must accept aside), and the seven Exchange addresses whole.
TEST(AsItWas, TheEnronSamplesExchangeAddressesComeBackWhole) {
    PELLMARK_SAMPLE_OR_SKIP(pst, "pst/npm-pst-extractor__enron.pst");
    requireReader(Reader::Python);
    TempDir dir;
    int n = 0;
    forEachItem(pst, [&](store::MailItem& item, const mapi::Item&, const std::string&) {
        item.saveAs((dir / (std::to_string(++n) + ".eml")).string(), store::SaveFormat::Eml);
    });
    writeFile(dir / "addresses.py",
              "import sys, email, email.errors, email.policy\n"
              "for path in sorted(sys.argv[1:]):\n"
              "    m = email.message_from_binary_file(open(path, 'rb'), "
              "policy=email.policy.default)\n"
              "    for name in ('from', 'sender', 'to', 'cc', 'bcc', 'reply-to'):\n"
              "        for value in m.get_all(name) or []:\n"
              "            for d in value.defects:\n"
              "                if not isinstance(d, email.errors.ObsoleteHeaderDefect):\n"
              "                    print('defect', path, name, d)\n"
              "            for a in value.addresses:\n"
              "                if ' ' in a.username: print(a.addr_spec)\n");
    std::string files;
    for (int i = 1; i <= n; ++i)
        files += " " + shellQuote((dir / (std::to_string(i) + ".eml")).string());
    const std::string out =
        runCommand("/usr/bin/python3 " + shellQuote((dir / "addresses.py").string()) + files +
                   " | sort")
            .out;
    EXPECT_EQ(out,
              "\"All Enron Employees N America\"@ENRON\n"
              "\"All Enron Worldwide\"@ENRON\n"
              "\"Carl Carter/NA/Enron\"@Enron\n"
              "\"Enron Global Technology\"@ENRON\n"
              "\"Lorraine Lindberg/ET&S/Enron\"@ENRON\n"
              "\"Michelle Lokay/ET&S/Enron\"@Enron\n"
              "\"TK Lohman/ET&S/Enron\"@ENRON\n");
}

TEST(AsItWas, OnlyWholeRfc5322DatesCountAsParseable) {
    for (const char* good :
         {"Fri, 21 Nov 1997 09:55:06 -0600", "21 Nov 97 09:55:06 GMT",
          "Thu,\r\n 13\r\n  Feb\r\n 1969\r\n 23:32\r\n -0330 (Newfoundland Time)",
          "Mon, 1 Jan 2024 00:00:60 +0000 (leap second)"}) {
        EXPECT_TRUE(formats::isRfc5322DateTime(good)) << good;
    }
    for (const char* bad :
         {"Fri, 5 Oct 2001 17:14:18 -0700 (PDT),Fri, 5 Oct 2001 17:14:18 -0700", "",
          "2001-10-05T17:14:18Z", "Fri, 32 Oct 2001 17:14:18 -0700",
          "Fri, 5 Oct 2001 24:00:00 +0000", "Fri 5 Oct 2001 17:14:18 -0700",
          "Fri, 5 Oct 2001 17:14:18 -0700 (unclosed", "Fri, 5 Oct 2001 17:14:18 +07"}) {
        EXPECT_FALSE(formats::isRfc5322DateTime(bad)) << bad;
    }
}

}  // namespace
}  // namespace pellmark::test
