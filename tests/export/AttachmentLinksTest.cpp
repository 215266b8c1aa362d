#include "export/AttachmentLinks.h"

#include <gtest/gtest.h>

#include "support/FakeStore.h"
#include "support/StringSink.h"
#include "support/TestFiles.h"

namespace pellmark::exporting {
namespace {

using test::StringSink;

TEST(links, LinkBlockEscapesTextAndEncodesHref) {
    EXPECT_EQ(attachmentLink("a.pdf"), "<a href='a.pdf'>a.pdf</a>\r\n");
    EXPECT_EQ(attachmentLink("it's <b>&\" #1 100%.txt"),
              "<a href='it%27s%20%3Cb%3E%26%22%20%231%20100%25.txt'>"
              "it&#39;s &lt;b&gt;&amp;&quot; #1 100%.txt</a>\r\n");
    EXPECT_EQ(attachmentLink("é.doc"), "<a href='%C3%A9.doc'>é.doc</a>\r\n");
    EXPECT_EQ(attachmentBlock("L1\r\nL2\r\n"),
              "<br /><br />:: Attachments ::<br />\r\nL1\r\nL2\r\n\r\n");
}

// The block ends the page's body where the page closes it, else follows its last byte; the
// page passes through as it is written, in pieces of any size.
TEST(links, TheBlockGoesInsideThePageBody) {
    const std::string block = attachmentBlock("L\r\n");
    const std::pair<std::string, std::string> cases[] = {
        {"<html><body>x</body></html>\n", "<html><body>x" + block + "</body></html>\n"},
        {"<BODY>x</Body >\r\n</HTML>\r\n", "<BODY>x" + block + "</Body >\r\n</HTML>\r\n"},
        {"<body>x</body> trailing text", "<body>x</body> trailing text" + block},
        {"<html>", "<html>" + block},
        {"<body>" + std::string(9000, 'y') + "</body></html>",
         "<body>" + std::string(9000, 'y') + block + "</body></html>"},
        {"<body>" + std::string(600000, 'z') + "</body>",
         "<body>" + std::string(600000, 'z') + block + "</body>"},
    };
    for (const auto& [page, withBlock] : cases) {
        for (const size_t piece : {page.size(), size_t{7}}) {
            StringSink out;
            LinkBlockFilter filter(out, "L\r\n");
            for (size_t at = 0; at < page.size(); at += piece) filter.put(page.substr(at, piece));
            filter.finish();
            out.flush();
            EXPECT_EQ(out.out, withBlock) << page.substr(0, 40) << " in pieces of " << piece;
        }
    }
}

// Records what the page and its attachments would put into the manifest.
class RecordingLedger : public Ledger {
  public:
    void record(const std::vector<PlacedFile>& files) override { recorded = files; }
    void retract() override { recorded.clear(); }
    std::vector<PlacedFile> recorded;
};

class SaveAttachments : public ::testing::Test {
  protected:
    SavedAttachments save(std::vector<test::FakeAttachment> attachments) {
        world.addStore("S", "S1").root.subfolders.push_back(
            test::fakeFolder("Inbox", {test::fakeMail("m", std::move(attachments))}));
        test::FakeSessionFactory factory(world);
        auto session = factory.create();
        auto folder = session->storeFromId("S1")->folderFromId("F-Inbox");
        auto item = folder->items()->enumerate()->next();
        FolderOutput::Placing page{output.reserveScratch(".html"), [](int attempt) {
                                       return "page" + std::to_string(attempt) + ".html";
                                   }};
        auto claimed = claimAttachments(*item, output);
        page.sha256 = renderPage(*item, store::SaveFormat::Html, claimed, page.scratch, true);
        return placeWithAttachments(page, claimed, output, ledger);
    }

    test::TempDir dir;
    test::FakeWorld world;
    FolderOutput output{dir.path().string()};
    RecordingLedger ledger;
};

TEST_F(SaveAttachments, LastAttachmentFirstAndSameNamesNeverOverwrite) {
    test::writeFile(dir / "a.pdf", "earlier");
    test::writeFile(dir / "b.DOC", "earlier, in other letter case");
    const SavedAttachments saved =
        save({{"a.pdf", "A1"}, {"b.doc", "B"}, {"a.pdf", "A2"}, {"A.PDF", "A3"}});
    const std::string links =
        "<a href='A%20%282%29.PDF'>A (2).PDF</a>\r\n"
        "<a href='a%20%283%29.pdf'>a (3).pdf</a>\r\n"
        "<a href='b%20%282%29.doc'>b (2).doc</a>\r\n"
        "<a href='a%20%284%29.pdf'>a (4).pdf</a>\r\n";
    EXPECT_EQ(test::readFile(dir / "a.pdf"), "earlier");
    EXPECT_EQ(test::readFile(dir / "A (2).PDF"), "A3");
    EXPECT_EQ(test::readFile(dir / "a (3).pdf"), "A2");
    EXPECT_EQ(test::readFile(dir / "a (4).pdf"), "A1");
    EXPECT_EQ(saved.written, 4);
    EXPECT_EQ(saved.bytes, 7u);
    // The page with its links (the fake page has no body: the block follows it), and every
    // file recorded, the page last.
    EXPECT_EQ(test::readFile(saved.page.path), "5|m" + attachmentBlock(links));
    ASSERT_EQ(ledger.recorded.size(), 5u);
    EXPECT_EQ(ledger.recorded.back().path, saved.page.path);
    EXPECT_EQ(ledger.recorded.back().sha256,
              test::runCommand("sha256sum " + test::shellQuote(saved.page.path)).out.substr(0, 64));
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
    EXPECT_EQ(test::readFile(saved.page.path).find("c.txt"), std::string::npos);
    EXPECT_EQ(ledger.recorded.size(), 2u) << "the page and the one attachment written";
}

}  // namespace
}  // namespace pellmark::exporting
