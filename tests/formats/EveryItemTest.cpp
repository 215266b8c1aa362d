// Every item of the real samples and of a generated mailbox saved as .eml and .mht (and every
// contact as .vcf) through the component, and read back by independent readers: Python's
// email package must parse each without defects and find the item's subject, sender,
// recipients, body text and attachment bytes, and the page of the .mht every image it shows;
// vobject must find the contact's names, addresses and phones.

#include <gtest/gtest.h>

#include "MimeTestSupport.h"
#include "formats/ItemView.h"
#include "formats/body/HtmlToText.h"
#include "formats/mime/MimeAddress.h"
#include "formats/text/HtmlPage.h"
#include "mapi/NamedIds.h"
#include "mapi/Tags.h"
#include "pstwriter/Generator.h"
#include "support/TestFiles.h"

namespace pellmark::test {
namespace {

using formats::ItemView;

const char* const kSamples[] = {
    "pst/hht__Hello_CJK.pst",
    "pst/hht__contacts.pst",
    "pst/hht__contacts97-2002.pst",
    "pst/hht__msgInMsgInMsg.pst",
    "pst/hht__threeItems.pst",
    "pst/hughbe-hughbe__hughbe_Outlook.pst",
    "pst/javalibpst__dist-list.pst",
    "pst/libyal__outlook.pst",
    "pst/npm-pst-extractor__enron.pst",
    "pst/pstsdk__sample1.pst",
    "pst/pstsdk__sample2.pst",
    "pst/pstsdk__submessage.pst",
    "pst/rubymsg__attachAndInline.pst",
    "pst/rubymsg__msgInMsg.pst",
    "pst/tika__testPST.pst",
    "pst/tika__testPST_variousBodyTypes.pst",
};

bool contains(const std::vector<std::string>& lines, const std::string& needle) {
    for (const auto& l : lines) {
        if (l.find(needle) != std::string::npos) return true;
    }
    return false;
}

// The opening words of a body, enough to tell it is there without depending on how the end
// of a long text was wrapped.
std::string opening(const std::string& body) {
    const std::string c = collapsed(body);
    size_t cut = std::min<size_t>(c.size(), 60);
    while (cut < c.size() && (static_cast<unsigned char>(c[cut]) & 0xC0) == 0x80) ++cut;
    return c.substr(0, cut);
}

// Each attachment holding data comes back with its name and exact bytes.
void expectAttachments(const ItemView& item, const std::string& summary,
                       const std::filesystem::path& dump, const std::string& where) {
    const auto parts = linesStartingWith(summary, "part=");
    size_t embedded = 0;
    for (const auto& a : item.attachments()) {
        if (a.embedded) {
            ++embedded;
            continue;
        }
        const auto want = formats::readAttachment(item, a.index);
        bool found = false;
        for (const auto& p : parts) {
            if (!a.fileName.empty() &&
                p.find(" filename=" + a.fileName + " ") == std::string::npos) {
                continue;
            }
            const std::string n = p.substr(0, p.find(' '));
            const std::string got = readFile(dump / n);
            if (got.size() == want.size() &&
                std::equal(want.begin(), want.end(), got.begin(),
                           [](uint8_t w, char g) { return w == static_cast<uint8_t>(g); })) {
                found = true;
            }
        }
        EXPECT_TRUE(found) << where << ": attachment " << a.fileName << " (" << want.size()
                           << " bytes)\n"
                           << summary;
    }
    EXPECT_EQ(linesStartingWith(summary, "message=").size(), embedded) << where;
}

// Lines as RFC 5322 wants them: CRLF-terminated, at most 998 octets; 7-bit throughout unless
// kept transport headers brought 8-bit text.
void expectWellFormedLines(const std::string& raw, bool sevenBit, const std::string& where) {
    size_t start = 0, longest = 0;
    bool bareLf = false, eightBit = false;
    for (size_t i = 0; i < raw.size(); ++i) {
        eightBit = eightBit || static_cast<unsigned char>(raw[i]) >= 0x80;
        if (raw[i] != '\n') continue;
        bareLf = bareLf || i == 0 || raw[i - 1] != '\r';
        longest = std::max(longest, i - start - 1);
        start = i + 1;
    }
    EXPECT_FALSE(bareLf) << where;
    EXPECT_LE(longest, 998u) << where;
    EXPECT_FALSE(sevenBit && eightBit) << where;
}

void checkEml(store::MailItem& item, const mapi::Item& message, const std::string& where) {
    TempDir dir;
    const auto file = dir / "item.eml";
    std::filesystem::create_directory(dir / "parts");
    item.saveAs(file.string(), store::SaveFormat::Eml);
    const std::string s = mimeSummary(file, dir / "parts");
    const ItemView view(message);
    expectWellFormedLines(readFile(file), !message.string(mapi::prop::kTransportMessageHeaders),
                          where);
    EXPECT_EQ(linesStartingWith(s, "defects=").at(0), "") << where << "\n" << s;
    if (!view.subject().empty()) {
        EXPECT_TRUE(contains(linesStartingWith(s, "header:subject="), collapsed(view.subject())))
            << where << "\n"
            << s;
    }
    // One Date, which parses; no name without an address (an empty group) and no address
    // without a domain anywhere, kept transport headers included.
    EXPECT_EQ(linesStartingWith(s, "header:date=").size(), 1u) << where << "\n" << s;
    EXPECT_EQ(s.find(":;\n"), std::string::npos) << where << "\n" << s;
    EXPECT_EQ(s.find("with no domain"), std::string::npos) << where << "\n" << s;
    // Transport headers are kept as they came, flaws included; the headers we build must be
    // sound, and name every address the item holds.
    if (!message.string(mapi::prop::kTransportMessageHeaders)) {
        EXPECT_EQ(linesStartingWith(s, "header-defects=").at(0), "") << where << "\n" << s;
        const std::string from = formats::mailboxOf(view.from()).addrSpec;
        if (!from.empty()) {
            EXPECT_TRUE(contains(linesStartingWith(s, "header:from="), from)) << where << "\n" << s;
        }
        for (const auto& r : view.recipients()) {
            const char* field = r.type == 2   ? "header:cc="
                                : r.type == 3 ? "header:bcc="
                                              : "header:to=";
            EXPECT_TRUE(contains(linesStartingWith(s, field), formats::mailboxOf(r.who).addrSpec))
                << where << " " << field << "\n"
                << s;
        }
    }
    EXPECT_TRUE(contains(linesStartingWith(s, "text="), opening(view.plainBody()))) << where << "\n"
                                                                                    << s;
    expectAttachments(view, s, dir / "parts", where);
}

// The page is the root part; each image it shows is a part whose Content-ID its cid: URL
// names; every other attachment and embedded message follows: nothing the item holds is
// missing.
void checkMht(store::MailItem& item, const mapi::Item& message, const std::string& where) {
    TempDir dir;
    const auto file = dir / "item.mht";
    std::filesystem::create_directory(dir / "parts");
    item.saveAs(file.string(), store::SaveFormat::Mht);
    const std::string s = mimeSummary(file, dir / "parts");
    expectWellFormedLines(readFile(file), true, where);
    EXPECT_EQ(linesStartingWith(s, "defects=").at(0), "") << where << "\n" << s;
    const ItemView view(message);
    EXPECT_EQ(linesStartingWith(s, "header:content-type=multipart/related;").size(), 1u)
        << where << "\n"
        << s;
    const auto parts = linesStartingWith(s, "part=");
    ASSERT_FALSE(parts.empty()) << where;
    EXPECT_EQ(parts[0].rfind("1 text/html ", 0), 0u) << where << "\n" << s;
    const std::string page = linesStartingWith(s, "text=").at(0);
    EXPECT_NE(page.find(collapsed(formats::escapeHtml(view.subject()))), std::string::npos)
        << where;
    for (size_t i = 1; i < parts.size(); ++i) {
        if (parts[i].find(" disposition=inline ") == std::string::npos) continue;
        const size_t open = parts[i].find(" cid=<"), close = parts[i].find('>', open);
        ASSERT_NE(open, std::string::npos) << where << "\n" << s;
        const std::string cid = parts[i].substr(open + 6, close - open - 6);
        EXPECT_NE(page.find("cid:" + cid), std::string::npos)
            << where << ": part " << cid << " is not shown";
    }
    expectAttachments(view, s, dir / "parts", where);
}

// Returns the number of contact pictures checked.
size_t checkVcf(store::MailItem& item, const mapi::Item& message, const std::string& where) {
    const ItemView view(message);
    if (view.kind() != formats::ItemKind::Contact) return 0;
    TempDir dir;
    item.saveAs((dir / "c.vcf").string(), store::SaveFormat::Vcf);
    const std::string s = vcardSummary(dir / "c.vcf");
    EXPECT_EQ(s.rfind("cards=1\nVERSION=3.0\nFN=", 0), 0u) << where << "\n" << s;
    namespace lid = mapi::lid;
    for (uint32_t l :
         {lid::kEmail1EmailAddress, lid::kEmail2EmailAddress, lid::kEmail3EmailAddress}) {
        const std::string email = view.namedString(mapi::psetid::kAddress, l).value_or("");
        EXPECT_TRUE(email.empty() || contains(linesStartingWith(s, "EMAIL;"), "=" + email))
            << where << "\n"
            << s;
    }
    for (uint16_t id : {mapi::prop::kBusinessTelephone, mapi::prop::kHomeTelephone,
                        mapi::prop::kMobileTelephone}) {
        const std::string phone = view.string(id).value_or("");
        EXPECT_TRUE(phone.empty() || contains(linesStartingWith(s, "TEL;"), "=" + phone))
            << where << "\n"
            << s;
    }
    size_t photos = 0;
    for (const auto& a : view.attachments()) {
        if (!a.contactPhoto) continue;
        EXPECT_TRUE(contains(linesStartingWith(s, "PHOTO="), ":" + std::to_string(a.size)))
            << where << "\n"
            << s;
        ++photos;
    }
    return photos;
}

struct Checked {
    size_t items = 0;
    size_t photos = 0;
};

void checkEveryItem(const std::filesystem::path& pst, Checked& checked) {
    forEachItem(pst,
                [&](store::MailItem& item, const mapi::Item& message, const std::string& where) {
                    const std::string place = pst.filename().string() + " " + where;
                    checkEml(item, message, place);
                    checkMht(item, message, place);
                    checked.photos += checkVcf(item, message, place);
                    ++checked.items;
                });
}

TEST(EveryItem, OfTheSamplesReadsBackWhole) {
    Checked checked;
    for (const char* sample : kSamples) {
        const auto pst = samplesDir() / sample;
        if (samplesDir().empty() || !std::filesystem::exists(pst)) {
            GTEST_SKIP() << sample << " not found: ../shared/samples is missing";
        }
        checkEveryItem(pst, checked);
    }
    EXPECT_GT(checked.items, 80u);
}

// A mailbox of every kind of item, bodies in many scripts, inline images, contact pictures,
// attachments up to several MB and embedded messages, from the PST fixture writer.
TEST(EveryItem, OfAGeneratedMailboxReadsBackWhole) {
    TempDir dir;
    const auto pst = dir / "generated.pst";
    pstwriter::GenerateOptions options;
    options.items = 200;
    options.seed = 7;
    pstwriter::generateMailbox(pst, options);
    Checked checked;
    checkEveryItem(pst, checked);
    EXPECT_GT(checked.items, 150u);
    EXPECT_GT(checked.photos, 0u);
}

}  // namespace
}  // namespace pellmark::test
