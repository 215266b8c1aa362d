// The .vcf save read by vobject, a vCard parser that is not ours: real contacts keep their
// fields; items that are no contact get an error and no file.

#include <gtest/gtest.h>

#include "MimeTestSupport.h"
#include "formats/vcard/VCard.h"
#include "mapi/NamedIds.h"
#include "mapi/Tags.h"
#include "pstwriter/messaging/ItemKinds.h"
#include "pstwriter/messaging/PstBuilder.h"
#include "support/TestFiles.h"

namespace pellmark::test {
namespace {

std::string savedVcf(store::MailItem& item, const TempDir& dir, const char* name = "c.vcf") {
    const auto path = dir / name;
    item.saveAs(path.string(), store::SaveFormat::Vcf);
    return vcardSummary(path);
}

TEST(Vcf, ContactFieldsReadBackByVobject) {
    PELLMARK_SAMPLE_OR_SKIP(unicode, "pst/hht__contacts.pst");
    PELLMARK_SAMPLE_OR_SKIP(ansi, "pst/hht__contacts97-2002.pst");
    TempDir dir;
    // The same contact in a Unicode file and in an ANSI file in code page 932.
    for (const auto& pst : {unicode, ansi}) {
        const std::string s = savedVcf(*firstItemOf(pst, ""), dir);
        const char* const expected[] = {
            "cards=1\nVERSION=3.0\n",
            "\nFN=Mr. \xe3\x82\xa4\xe3\x82\xb0\xe3\x82\xb6\xe3\x83\xb3\xe3\x83\x97\xe3\x83\xab "
            "\xe3\x83\x89\xe3\x83\x83\xe3\x83\x88 \xe3\x82\xb3\xe3\x83\xa0 \xe6\xae\xbf\n",
            "\nN=\xe3\x82\xa4\xe3\x82\xb0\xe3\x82\xb6\xe3\x83\xb3\xe3\x83\x97\xe3\x83\xab|"
            "\xe3\x82\xb3\xe3\x83\xa0|"
            "\xe3\x83\x89\xe3\x83\x83\xe3\x83\x88|Mr.|\xe6\xae\xbf\n",
            "\nORG=My work company|My division\n",
            "\nTITLE=My position\n",
            "\nADR;WORK=||Somewhere|Osaka|Osaka|544-0001|\xe6\x97\xa5\xe6\x9c\xac\n",
            "\nTEL;WORK,VOICE=06-0001-0002\n",
            "\nTEL;HOME,VOICE=06-0001-0001\n",
            "\nTEL;CELL,VOICE=080-0001-0001\n",
            "\nTEL;WORK,FAX=06-0001-0003\n",
            "\nEMAIL;INTERNET,PREF=test@example.com\n",
            "\nURL;WORK=https://example.com\n",
            "\nBDAY=2000-01-01\n",
            "\nREV=2022-07-20T17:",
        };
        for (const char* field : expected) {
            EXPECT_NE(s.find(field), std::string::npos) << field << "\n" << s;
        }
        EXPECT_EQ(s.find("\nNOTE="), std::string::npos) << "a body of blank lines is no note\n"
                                                        << s;
    }
}

// FN is the name as the contact stores it, in its own order with its own titles; a contact
// without a display name takes its subject (the full name), never the file-as sort key.
TEST(Vcf, FnIsTheStoredNameNeverOneRebuiltFromItsParts) {
    TempDir dir;
    pstwriter::PstBuilder b;
    auto& folder = b.root().addFolder("Contacts", "IPF.Contact");
    const std::pair<const char*, const char*> names[] = {{"Brontë, Dr. Zoë", "Zoë Brontë"},
                                                         {"", "Dr. Zoë Brontë (work)"}};
    for (const auto& [display, subject] : names) {
        auto& c = folder.addMessage("IPM.Contact");
        if (*display) c.setString(mapi::prop::kDisplayName, display);
        c.setSubject(subject);
        c.setString(mapi::prop::kGivenName, "Zoë");
        c.setString(mapi::prop::kSurname, "Brontë");
        c.set(pstwriter::lid::address(mapi::lid::kFileUnder),
              pstwriter::PropValue::string("Brontë, Zoë"));
    }
    b.write(dir / "c.pst");
    std::vector<std::string> fns;
    forEachItem(dir / "c.pst", [&](store::MailItem& item, const mapi::Item&, const std::string&) {
        const std::string s = savedVcf(item, dir);
        const auto fn = linesStartingWith(s, "FN=");
        fns.push_back(fn.empty() ? "" : fn[0]);
    });
    EXPECT_EQ(fns, (std::vector<std::string>{"Brontë, Dr. Zoë", "Dr. Zoë Brontë (work)"}));
}

// A contact is a card and a distribution list a group card (in the form of vCard 3.0 most
// address books read) whose member of the same mailbox is named by the UID of that member's
// card; anything else is no card.
TEST(Vcf, ContactsAndListsBecomeCardsAndGroupsNameTheirMembersCards) {
    PELLMARK_SAMPLE_OR_SKIP(pst, "pst/hughbe-hughbe__hughbe_Outlook.pst");
    TempDir dir;
    auto contact = firstItemOf(pst, "Contacts");
    const std::string s = savedVcf(*contact, dir);
    EXPECT_NE(s.find("\nFN=Distribution List Member\nN=Member|Distribution|List||\n"),
              std::string::npos)
        << s;
    EXPECT_NE(s.find("\nEMAIL;INTERNET,PREF=email@gmail.com\n"), std::string::npos) << s;
    const auto uid = linesStartingWith(s, "UID=");
    ASSERT_EQ(uid.size(), 1u) << s;

    int lists = 0;
    forEachItem(pst, [&](store::MailItem& item, const mapi::Item&, const std::string& where) {
        if (item.messageClass() == "IPM.Contact") return;
        const auto path = dir / "not-a-contact.vcf";
        if (item.messageClass() == "IPM.DistList") {
            ++lists;
            const std::string group = savedVcf(item, dir, "group.vcf");
            EXPECT_NE(group.find("\nX-ADDRESSBOOKSERVER-KIND=group\n"), std::string::npos) << group;
            EXPECT_NE(group.find("\nX-ADDRESSBOOKSERVER-MEMBER=urn:uuid:" + uid[0] + "\n"),
                      std::string::npos)
                << group << s;
            return;
        }
        try {
            item.saveAs(path.string(), store::SaveFormat::Vcf);
            ADD_FAILURE() << where << " (" << item.messageClass() << ") was saved as a vCard";
        } catch (const store::StoreError& e) {
            EXPECT_NE(std::string(e.what()).find("only contacts can be saved as vCard"),
                      std::string::npos)
                << e.what();
        }
        EXPECT_FALSE(std::filesystem::exists(path)) << where;
    });
    EXPECT_EQ(lists, 1);
}

// Values that need escaping and folding, through vobject: what goes in comes back.
TEST(Vcf, EscapingAndFoldingSurviveAnIndependentParser) {
    formats::VCard card;
    const std::string note = "Line one; with, punctuation\\and a backslash\r\nline two\n" +
                             std::string(40, 'x') + "\xc3\xa9\xe6\x97\xa5\xe6\x9c\xac" +
                             std::string(80, 'y');
    card.addRaw("FN", "", formats::VCard::escape("Smith, John; Jr."));
    card.addStructured("N", {"Smith", "John", "", "", "Jr."});
    card.addText("NOTE", note);
    card.addList("CATEGORIES", {"Friends, close", "", "Work;Team"});
    card.addStructured("ADR", {"", "", "1 Main St\nApt 2", "Springfield", "", "", ""},
                       ";TYPE=HOME");
    // A three-byte character across the 75th octet of the line and of each continuation.
    std::string title(67, 'x');
    for (int i = 0; i < 30; ++i) title += "\xe6\x97\xa5\xe6\x9c\xac";
    card.addText("TITLE", title);
    const std::string text = card.str();
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        EXPECT_LE(end - start, 75u) << text.substr(start, end - start);
        start = end + 2;
    }
    TempDir dir;
    writeFile(dir / "t.vcf", text);
    std::string expectedNote = "Line one; with, punctuation\\and a backslash\\nline two\\n" +
                               std::string(40, 'x') + "\xc3\xa9\xe6\x97\xa5\xe6\x9c\xac" +
                               std::string(80, 'y');
    const std::string s = vcardSummary(dir / "t.vcf");
    EXPECT_NE(s.find("\nFN=Smith, John; Jr.\n"), std::string::npos) << s;
    EXPECT_NE(s.find("\nNOTE=" + expectedNote + "\n"), std::string::npos) << s;
    EXPECT_NE(s.find("\nCATEGORIES=Friends, close,Work;Team\n"), std::string::npos) << s;
    EXPECT_NE(s.find("\nADR;HOME=||1 Main St\\nApt 2|Springfield|||\n"), std::string::npos) << s;
    EXPECT_NE(s.find("\nTITLE=" + title + "\n"), std::string::npos) << s;
}

}  // namespace
}  // namespace pellmark::test
