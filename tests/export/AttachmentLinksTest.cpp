#include "export/AttachmentLinks.h"

#include <gtest/gtest.h>

#include "support/FakeStore.h"
#include "support/TestFiles.h"

namespace pellmark::exporting {
namespace {

TEST(links, LinkBlockEscapesTextAndEncodesHref) {
    EXPECT_EQ(attachmentLink("/x/Inbox/a.pdf"), "<a href='a.pdf'>/x/Inbox/a.pdf</a>\r\n");
    EXPECT_EQ(attachmentLink("/x/it's <b>&\" #1 100%.txt"),
              "<a href='it%27s%20%3Cb%3E%26%22%20%231%20100%25.txt'>"
              "/x/it&#39;s &lt;b&gt;&amp;&quot; #1 100%.txt</a>\r\n");
    EXPECT_EQ(attachmentLink("/x/é.doc"), "<a href='%C3%A9.doc'>/x/é.doc</a>\r\n");
    EXPECT_EQ(attachmentBlock("L1\r\nL2\r\n"),
              "<br /><br />:: Attachments ::<br />\r\nL1\r\nL2\r\n\r\n");
}

TEST(links, AppendAddsTheBlockOnlyWhenThereAreLinks) {
    test::TempDir dir;
    const std::string page = (dir / "p.html").string();
    test::writeFile(page, "<html>");
    appendAttachmentBlock(page, "");
    EXPECT_EQ(test::readFile(page), "<html>");
    appendAttachmentBlock(page, "L\r\n");
    EXPECT_EQ(test::readFile(page), "<html><br /><br />:: Attachments ::<br />\r\nL\r\n\r\n");
}

class SaveAttachments : public ::testing::Test {
  protected:
    SavedAttachments save(std::vector<test::FakeAttachment> attachments) {
        world.addStore("S", "S1").root.subfolders.push_back(
            test::fakeFolder("Inbox", {test::fakeMail("m", std::move(attachments))}));
        test::FakeSessionFactory factory(world);
        auto session = factory.create();
        auto folder = session->storeFromId("S1")->folderFromId("F-Inbox");
        auto item = folder->items()->enumerate()->next();
        return saveAttachments(*item, output);
    }

    test::TempDir dir;
    test::FakeWorld world;
    FolderOutput output{dir.path().string()};
};

TEST_F(SaveAttachments, LastAttachmentFirstAndSameNamesNeverOverwrite) {
    test::writeFile(dir / "a.pdf", "earlier");
    const SavedAttachments saved = save({{"a.pdf", "A1"}, {"b.doc", "B"}, {"a.pdf", "A2"}});
    const std::string d = dir.path().string() + "/";
    EXPECT_EQ(saved.links, "<a href='a%20%282%29.pdf'>" + d +
                               "a (2).pdf</a>\r\n"
                               "<a href='b.doc'>" +
                               d +
                               "b.doc</a>\r\n"
                               "<a href='a%20%283%29.pdf'>" +
                               d + "a (3).pdf</a>\r\n");
    EXPECT_EQ(test::readFile(dir / "a.pdf"), "earlier");
    EXPECT_EQ(test::readFile(dir / "a (2).pdf"), "A2");
    EXPECT_EQ(test::readFile(dir / "a (3).pdf"), "A1");
    EXPECT_EQ(saved.written, 3);
    EXPECT_EQ(saved.bytes, 5u);
}

TEST_F(SaveAttachments, HostileNamesStayInTheFolderAndFailuresGetNoLink) {
    test::FakeAttachment broken{"c.txt", "C"};
    broken.failSave = true;
    test::FakeAttachment nameless{"d.txt", "D"};
    nameless.failName = true;
    const SavedAttachments saved = save({{"../../evil.sh", "E"}, broken, nameless});
    EXPECT_TRUE(std::filesystem::exists(dir / "_.._.._evil.sh"));
    EXPECT_FALSE(std::filesystem::exists(dir.path().parent_path() / "evil.sh"));
    EXPECT_EQ(saved.written, 1);
    ASSERT_EQ(saved.failures.size(), 2u);
    EXPECT_EQ(saved.failures[0].fileName, "");  // d.txt, saved first, name unreadable
    EXPECT_EQ(saved.failures[1].fileName, "c.txt");
    EXPECT_EQ(saved.links.find("c.txt"), std::string::npos);
}

}  // namespace
}  // namespace pellmark::exporting
