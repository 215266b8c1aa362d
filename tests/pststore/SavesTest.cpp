// The text, HTML and RTF saves through the component, on real items. HTML is checked by
// Python's HTML parser and RTF by unrtf, independent readers of what we write.

#include <gtest/gtest.h>

#include "pststore/PstStore.h"
#include "support/FirstItem.h"
#include "support/Readers.h"
#include "support/TestFiles.h"

namespace pellmark::pststore {
namespace {

using test::TempDir;

std::unique_ptr<store::MailItem> firstItemOf(const std::filesystem::path& pst,
                                             const std::string& folder) {
    return test::firstItemIn(*openStore(pst.string())->rootFolder(), folder);
}

std::string saved(store::MailItem& item, store::SaveFormat type, const TempDir& dir,
                  const char* name) {
    const auto path = dir / name;
    item.saveAs(path.string(), type);
    return test::readFile(path);
}

TEST(Saves, TextOfAMailHasHeaderBlockThenBody) {
    PELLMARK_SAMPLE_OR_SKIP(pst, "pst/tika__testPST_variousBodyTypes.pst");
    TempDir dir;
    auto item = firstItemOf(pst, "tmp");
    const std::string txt = saved(*item, store::SaveFormat::Txt, dir, "a.txt");
    EXPECT_EQ(txt.rfind("From:\tAllison, Timothy B. <tallison@mitre.org>\nSent:\t", 0), 0u) << txt;
    EXPECT_NE(
        txt.find("\nTo:\tAllison, Timothy B. <tallison@mitre.org>\nSubject:\toriginal email\n\n"
                 "This is the original email (html)"),
        std::string::npos)
        << txt;
}

TEST(Saves, NonAsciiTextSurvivesEverySave) {
    PELLMARK_SAMPLE_OR_SKIP(pst, "pst/hht__Hello_CJK.pst");
    TempDir dir;
    auto item = firstItemOf(pst, "");
    // Chinese, Japanese and Korean in the body and in attachment names.
    const std::string cjk[] = {"\xe4\xbd\xa0\xe5\xa5\xbd", "\xe3\x81\x93\xe3\x82\x93\xe3\x81\xab",
                               "\xec\x95\x88\xeb\x85\x95"};
    const std::string txt = saved(*item, store::SaveFormat::Txt, dir, "a.txt");
    EXPECT_NE(txt.find("Attachments:\tC \xe4\xbd\xa0\xe5\xa5\xbd.png; J "), std::string::npos)
        << txt;
    saved(*item, store::SaveFormat::Html, dir, "a.html");
    const std::string html = test::htmlSummary(dir / "a.html");
    EXPECT_NE(html.find("charset=utf-8\n"), std::string::npos) << html;
    saved(*item, store::SaveFormat::Rtf, dir, "a.rtf");
    auto rtf = test::unrtf(dir / "a.rtf", "--html");
    for (const auto& word : cjk) {
        EXPECT_NE(txt.find(word), std::string::npos) << word;
        EXPECT_NE(html.find(word), std::string::npos) << word;
    }
    // unrtf writes characters beyond its code page as numeric references.
    EXPECT_NE(rtf.find("&#20320;&#22909;"), std::string::npos) << rtf;
}

TEST(Saves, AnsiFileInCodePage932) {
    PELLMARK_SAMPLE_OR_SKIP(pst, "pst/hht__contacts97-2002.pst");
    TempDir dir;
    auto contact = firstItemOf(pst, "");
    const std::string txt = saved(*contact, store::SaveFormat::Txt, dir, "c.txt");
    EXPECT_NE(txt.find("Last Name:\t\xe3\x82\xa4\xe3\x82\xb0\xe3\x82\xb6\xe3\x83\xb3"),
              std::string::npos)
        << txt;  // "イグザン"
    EXPECT_EQ(txt.find("\xef\xbf\xbd"), std::string::npos) << "undecodable text";
}

TEST(Saves, HtmlEmbedsInlineImagesAndRendersAlone) {
    PELLMARK_SAMPLE_OR_SKIP(pst, "pst/rubymsg__attachAndInline.pst");
    TempDir dir;
    auto item = firstItemOf(pst, "");
    saved(*item, store::SaveFormat::Html, dir, "page.html");
    const std::string s = test::htmlSummary(dir / "page.html");
    EXPECT_NE(s.find("img=data:image/png"), std::string::npos) << s;
    EXPECT_EQ(s.find("img=cid:"), std::string::npos) << s;
    EXPECT_NE(s.find("text=Sent: "), std::string::npos) << s;
    EXPECT_NE(s.find("Attachments: attach.png"), std::string::npos) << s;
}

TEST(Saves, RtfKeepsTheItemsRtfWithTheHeaderFirst) {
    PELLMARK_SAMPLE_OR_SKIP(pst, "pst/tika__testPST_variousBodyTypes.pst");
    TempDir dir;
    auto store = openStore(pst.string());
    // The third item of the folder has an RTF body of its own ("Forwarded RTF").
    std::unique_ptr<store::Folder> tmp;
    auto e = store->rootFolder()->folders()->enumerate();
    while (auto f = e->next()) {
        if (f->name() == "Inbox") tmp = f->folders()->enumerate()->next();
    }
    ASSERT_TRUE(tmp);
    auto item = tmp->items()->item(3);
    saved(*item, store::SaveFormat::Rtf, dir, "m.rtf");
    const std::string text = test::unrtf(dir / "m.rtf", "--text");
    const size_t header = text.find("Subject");
    const size_t body = text.find("Forwarded RTF");
    ASSERT_NE(header, std::string::npos) << text;
    ASSERT_NE(body, std::string::npos) << text;
    EXPECT_LT(header, body);
}

TEST(Saves, OtherKindsShowTheirOwnFields) {
    PELLMARK_SAMPLE_OR_SKIP(pst, "pst/hughbe-hughbe__hughbe_Outlook.pst");
    TempDir dir;
    const std::string appointment =
        saved(*firstItemOf(pst, "Calendar"), store::SaveFormat::Txt, dir, "a.txt");
    EXPECT_NE(appointment.find("\nStart:\tThursday, February 4, 2021"), std::string::npos)
        << appointment;
    EXPECT_NE(appointment.find("\nEnd:\t"), std::string::npos);
    const std::string task =
        saved(*firstItemOf(pst, "Tasks"), store::SaveFormat::Txt, dir, "t.txt");
    EXPECT_NE(task.find("\nStatus:\tCompleted\n"), std::string::npos) << task;
    EXPECT_NE(task.find("\n% Complete:\t100%\n"), std::string::npos);
    const std::string contact =
        saved(*firstItemOf(pst, "Contacts"), store::SaveFormat::Txt, dir, "c.txt");
    EXPECT_NE(contact.find("E-mail:\temail@gmail.com"), std::string::npos) << contact;
    const std::string journal =
        saved(*firstItemOf(pst, "Journal"), store::SaveFormat::Txt, dir, "j.txt");
    EXPECT_NE(journal.find("Entry Type:\tPhone Call"), std::string::npos) << journal;
}

}  // namespace
}  // namespace pellmark::pststore
