// Rendering items on several threads must give exactly what one thread gives: the same files,
// the same names and numbers, the same bytes, the same report of what failed.

#include <gtest/gtest.h>

#include "formats/OutputFormats.h"

#include <map>

#include "export/ConversionRun.h"
#include "mapi/Tags.h"
#include "pststore/PstSession.h"
#include "pststore/PstStore.h"
#include "pstwriter/messaging/PstBuilder.h"
#include "store/FolderRef.h"
#include "support/TestFiles.h"

namespace pellmark::exporting {
namespace {

std::map<std::string, std::string> filesUnder(const std::filesystem::path& root) {
    std::map<std::string, std::string> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
        if (e.is_regular_file())
            out[e.path().lexically_relative(root).string()] = test::readFile(e.path());
    }
    return out;
}

RunSummary exportWith(unsigned threads, const std::string& storeId,
                      const std::vector<store::FolderRef>& folders, const std::string& format,
                      const std::filesystem::path& out) {
    pststore::PstSessionFactory sessions(pststore::PstSessionFactory::kNoProfile);
    RunProgress quiet;
    ConversionRun run(sessions,
                      {storeId, {folders}, out.string(), formats::outputFormatNamed(format)->save},
                      quiet);
    int32_t next = 0;
    run.setNumberSource([&] { return ++next; });
    run.setRenderThreads(threads);
    return run.run();
}

TEST(ParallelRender, SameFilesAsOneThread) {
    test::TempDir dir;
    pstwriter::PstBuilder b;
    auto& inbox = b.root().addFolder("Inbox", "IPF.Note");
    for (int i = 0; i < 120; ++i) {
        auto& m = inbox.addMessage()
                      .setSubject(i % 7 == 0 ? "Same subject" : "Message " + std::to_string(i))
                      .setBody("Body of message " + std::to_string(i) + " \xe2\x82\xac");
        // Attachments of one name across items: HTML pages' files get " (2)", " (3)", ... in
        // item order, whichever worker wrote them first.
        if (i % 5 == 0) {
            m.addAttachment(i % 10 == 0 ? "same.bin" : "a" + std::to_string(i) + ".bin",
                            pstwriter::ByteVec(3000 + i, uint8_t(i)));
        }
        // Every 11th item has a damaged RTF body: its RTF save fails, wherever it runs.
        if (i % 11 == 0)
            m.set(mapi::prop::kRtfCompressed, pstwriter::PropValue::binary(std::string("broken")));
    }
    auto& contacts = b.root().addFolder("Contacts", "IPF.Contact");
    for (int i = 0; i < 30; ++i) {
        contacts.addMessage("IPM.Contact")
            .setString(mapi::prop::kGivenName, "Ann" + std::to_string(i));
    }
    b.write(dir / "m.pst");

    auto store = pststore::openStore((dir / "m.pst").string());
    std::vector<store::FolderRef> folders;
    auto e = store->rootFolder()->folders()->enumerate();
    while (auto f = e->next()) folders.push_back(store::folderRefOf(*f));

    for (const char* format : {"eml", "rtf", "msg", "html"}) {
        SCOPED_TRACE(format);
        const auto one = dir / (std::string("one-") + format);
        const auto four = dir / (std::string("four-") + format);
        const RunSummary a = exportWith(1, store->entryId(), folders, format, one);
        const RunSummary b4 = exportWith(4, store->entryId(), folders, format, four);
        EXPECT_EQ(a.itemsWritten, b4.itemsWritten);
        EXPECT_EQ(a.itemsFailed, b4.itemsFailed);
        EXPECT_EQ(a.failedFolders, b4.failedFolders);
        EXPECT_EQ(a.itemsWritten + a.itemsFailed, 150);
        const auto filesOne = filesUnder(one);
        const auto filesFour = filesUnder(four);
        ASSERT_EQ(filesOne.size(), filesFour.size());
        for (const auto& [name, bytes] : filesOne) {
            auto it = filesFour.find(name);
            ASSERT_NE(it, filesFour.end()) << name;
            // The manifest names files and the mailbox by where they lie.
            if (name.ends_with("export-manifest.tsv") || name.ends_with(".pellmark-export")) {
                continue;
            }
            EXPECT_EQ(it->second, bytes) << name;
        }
    }
}

}  // namespace
}  // namespace pellmark::exporting
