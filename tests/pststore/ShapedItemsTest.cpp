// The component and its saves on mailboxes shaped for the case: bodies of one kind only, 8-bit
// text in a chosen code page, hostile text, folder names and classes. Written by the fixture
// writer; checked by Python's HTML parser and unrtf where the output is a document.

#include <gtest/gtest.h>

#include "mapi/Tags.h"
#include "pststore/PstStore.h"
#include "pstwriter/messaging/PstBuilder.h"
#include "support/Readers.h"
#include "support/TestFiles.h"

namespace pellmark::pststore {
namespace {

using pstwriter::PstBuilder;
using test::TempDir;

std::unique_ptr<store::Folder> child(store::Folder& parent, const std::string& name) {
    auto e = parent.folders()->enumerate();
    while (auto f = e->next()) {
        if (f->name() == name) return f;
    }
    throw std::runtime_error("no folder " + name);
}

std::unique_ptr<store::MailItem> onlyItem(const std::filesystem::path& pst) {
    auto store = openStore(pst.string());
    return child(*store->rootFolder(), "Inbox")->items()->item(1);
}

std::string saveAndRead(store::MailItem& item, store::SaveFormat type,
                        const std::filesystem::path& path) {
    item.saveAs(path.string(), type);
    return test::readFile(path);
}

TEST(ShapedItems, RtfOnlyBodyGivesTextHtmlAndRtf) {
    TempDir dir;
    PstBuilder b;
    b.root()
        .addFolder("Inbox", "IPF.Note")
        .addMessage()
        .setSubject("Quarterly numbers")
        .setSender("Ann Lee", "ann@example.org")
        .setRtf(
            "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 First line\\par "
            "{\\b Second} line with caf\\'e9\\par}");
    b.write(dir / "m.pst");
    auto item = onlyItem(dir / "m.pst");
    const std::string txt = saveAndRead(*item, store::SaveFormat::Txt, dir / "m.txt");
    EXPECT_NE(txt.find("\n\nFirst line\nSecond line with caf\xc3\xa9"), std::string::npos) << txt;
    saveAndRead(*item, store::SaveFormat::Html, dir / "m.html");
    EXPECT_NE(test::htmlSummary(dir / "m.html").find("First line Second line with caf\xc3\xa9"),
              std::string::npos);
    saveAndRead(*item, store::SaveFormat::Rtf, dir / "m.rtf");
    const std::string shown = test::unrtf(dir / "m.rtf", "--text");
    EXPECT_LT(shown.find("Ann Lee"), shown.find("First line")) << shown;
}

TEST(ShapedItems, HtmlOnlyBodyWithInlineImage) {
    TempDir dir;
    PstBuilder b;
    auto& m = b.root().addFolder("Inbox", "IPF.Note").addMessage();
    m.setSubject("Logo").setHtml(
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"></head>"
        "<body><p>See <b>our</b> logo:</p><img src=\"cid:logo@pellmark\"></body></html>");
    const pstwriter::ByteVec png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 0};
    m.addAttachment("logo.png", png).setMimeType("image/png").setContentId("logo@pellmark");
    b.write(dir / "m.pst");
    auto item = onlyItem(dir / "m.pst");
    const std::string txt = saveAndRead(*item, store::SaveFormat::Txt, dir / "m.txt");
    EXPECT_NE(txt.find("See our logo:"), std::string::npos) << txt;
    EXPECT_EQ(txt.find("<b>"), std::string::npos);
    saveAndRead(*item, store::SaveFormat::Html, dir / "m.html");
    const std::string page = test::htmlSummary(dir / "m.html");
    EXPECT_NE(page.find("charset=utf-8\n"), std::string::npos) << page;  // one declaration only
    EXPECT_NE(page.find("img=data:image/png"), std::string::npos) << page;
    EXPECT_NE(page.find("See our logo:"), std::string::npos);
}

TEST(ShapedItems, HtmlCarriedInRtfIsRecovered) {
    TempDir dir;
    PstBuilder b;
    b.root()
        .addFolder("Inbox", "IPF.Note")
        .addMessage()
        .setSubject("Wrapped")
        .setRtf(
            "{\\rtf1\\ansi\\ansicpg1252\\fromhtml1 \\deff0{\\fonttbl{\\f0\\fswiss Arial;}}"
            "{\\*\\htmltag19 <html>}{\\*\\htmltag50 <body>}\\htmlrtf {\\htmlrtf0 "
            "{\\*\\htmltag84 <b>}\\htmlrtf {\\b \\htmlrtf0 Bold words\\htmlrtf }\\htmlrtf0 "
            "{\\*\\htmltag92 </b>}\\htmlrtf }\\htmlrtf0 {\\*\\htmltag58 </body>}{\\*\\htmltag27 "
            "</html>}}");
    b.write(dir / "m.pst");
    auto item = onlyItem(dir / "m.pst");
    const std::string html = saveAndRead(*item, store::SaveFormat::Html, dir / "m.html");
    EXPECT_NE(html.find("<b>Bold words</b>"), std::string::npos) << html;
    EXPECT_NE(saveAndRead(*item, store::SaveFormat::Txt, dir / "m.txt").find("\n\nBold words"),
              std::string::npos);
}

TEST(ShapedItems, AnsiTextInItsCodePage) {
    TempDir dir;
    PstBuilder b;
    b.options().codepage = 1251;
    b.root()
        .addFolder("Inbox", "IPF.Note")
        .addMessage()
        .setSubject("\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82")  // "Привет"
        .setBody(
            "\xd0\x94\xd0\xbe\xd0\xb1\xd1\x80\xd1\x8b\xd0\xb9 \xd0\xb4\xd0\xb5\xd0\xbd\xd1\x8c");
    b.write(dir / "a.pst", {pst::Format::Ansi, pst::CryptMethod::Cyclic});
    auto item = onlyItem(dir / "a.pst");
    EXPECT_EQ(item->subject(), "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82");
    const std::string txt = saveAndRead(*item, store::SaveFormat::Txt, dir / "a.txt");
    EXPECT_NE(txt.find("\xd0\x94\xd0\xbe\xd0\xb1\xd1\x80\xd1\x8b\xd0\xb9"), std::string::npos)
        << txt;
    const std::string rtf = saveAndRead(*item, store::SaveFormat::Rtf, dir / "a.rtf");
    EXPECT_NE(rtf.find("\\u1055?"), std::string::npos);  // "П" kept as a Unicode escape
}

TEST(ShapedItems, EverythingAddedToTheHtmlPageIsEscaped) {
    TempDir dir;
    PstBuilder b;
    b.root()
        .addFolder("Inbox", "IPF.Note")
        .addMessage()
        .setSubject("<script>alert(1)</script> & \"co\"")
        .setSender("Mallory <evil>", "m@example.org")
        .setBody("<img src=x onerror=alert(2)>");
    b.write(dir / "m.pst");
    auto item = onlyItem(dir / "m.pst");
    saveAndRead(*item, store::SaveFormat::Html, dir / "m.html");
    const std::string page = test::htmlSummary(dir / "m.html");
    EXPECT_NE(page.find("<script>alert(1)</script> & \"co\""), std::string::npos) << page;
    EXPECT_NE(page.find("<img src=x onerror=alert(2)>"), std::string::npos) << page;
    EXPECT_EQ(page.find("img="), std::string::npos) << "the body's text became an element";
}

TEST(ShapedItems, FoldersWithHashesClassesAndEmptyOnes) {
    TempDir dir;
    PstBuilder b;
    b.root()
        .addFolder("Inbox", "IPF.Note")
        .addFolder("Projects #1 # 2", "IPF.Note")
        .addMessage()
        .setSubject("x");
    b.root().addFolder("Custom", "IPF.Custom.Thing");
    b.root().addFolder("Lowercase", "ipf.contact");
    b.root().addFolder("Plain", std::nullopt);
    b.write(dir / "f.pst");
    auto store = openStore((dir / "f.pst").string());
    auto root = store->rootFolder();
    auto hashed = child(*child(*root, "Inbox"), "Projects #1 # 2");
    const std::string id = hashed->entryId();
    EXPECT_EQ(id.find('#'), std::string::npos);
    EXPECT_EQ(hashed->folderPath(), "\\\\Personal Folders\\Inbox\\Projects #1 # 2");
    auto again = openStore((dir / "f.pst").string())->folderFromId(id);
    EXPECT_EQ(again->folderPath(), hashed->folderPath());
    EXPECT_EQ(again->items()->count(), 1);
    EXPECT_EQ(child(*root, "Custom")->defaultMessageClass(), "IPM.Note") << "no known kind: mail";
    EXPECT_EQ(child(*root, "Lowercase")->defaultMessageClass(), "IPM.Contact");
    EXPECT_EQ(child(*root, "Plain")->defaultMessageClass(), "IPM.Note");
    EXPECT_EQ(child(*root, "Plain")->items()->count(), 0);
}

TEST(ShapedItems, AFailedSaveLeavesNoFile) {
    TempDir dir;
    PstBuilder b;
    b.root()
        .addFolder("Inbox", "IPF.Note")
        .addMessage()
        .setSubject("Broken RTF")
        .set(mapi::prop::kRtfCompressed,
             pstwriter::PropValue::binary(std::string("not compressed RTF at all")));
    b.write(dir / "m.pst");
    auto item = onlyItem(dir / "m.pst");
    EXPECT_THROW(item->saveAs((dir / "m.rtf").string(), store::SaveFormat::Rtf), store::StoreError);
    EXPECT_FALSE(std::filesystem::exists(dir / "m.rtf"));
    // A file that was already there is left as it was.
    test::writeFile(dir / "old.rtf", "keep me");
    EXPECT_THROW(item->saveAs((dir / "old.rtf").string(), store::SaveFormat::Rtf),
                 store::StoreError);
    EXPECT_EQ(test::readFile(dir / "old.rtf"), "keep me");
    std::filesystem::remove(dir / "old.rtf");
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
        EXPECT_EQ(e.path().extension(), ".pst") << "left behind: " << e.path();
    }
}

}  // namespace
}  // namespace pellmark::pststore
