// The generator's shapes for the scale benchmark, read back by Pellmark's own reader: the
// 4 KiB-page variant holds the same mailbox as the Unicode one of the same seed; one folder,
// small items, a large attachment made as it is written, and a file grown to a given size.

#include <gtest/gtest.h>

#include "Fixtures.h"
#include "PeerReaders.h"
#include "pst/messaging/Folder.h"
#include "pst/messaging/Items.h"
#include "pst/messaging/Message.h"
#include "pst/messaging/PstFile.h"
#include "pstwriter/Generator.h"
#include "support/TestFiles.h"

namespace pellmark::test {
namespace {

namespace fs = std::filesystem;
using namespace pstwriter;

// Every folder and item as the reader sees them: folder path, then per item its class,
// subject, and each attachment's name and a hash of its bytes.
void describe(const pst::PstFile& file, const pst::Folder& folder, const std::string& path,
              std::vector<std::string>& out) {
    for (pst::NodeId id : folder.messageIds()) {
        pst::Message m = file.message(id);
        std::string line = path + " | " + m.messageClass() + " | " + m.subject();
        const auto item = pst::itemOf(m);
        for (size_t i = 0; i < m.attachmentCount(); ++i) {
            const auto a = item->attachment(i);
            line += " | " + a->fileName();
            if (a->isEmbeddedMessage()) continue;
            uint64_t hash = 0, size = 0;
            std::vector<uint8_t> buf(1 << 16);
            auto data = a->openData();
            while (size_t n = data->read(buf)) {
                for (size_t k = 0; k < n; ++k) hash = hash * 1099511628211ull ^ buf[k];
                size += n;
            }
            line += ":" + std::to_string(size) + ":" + std::to_string(hash);
        }
        out.push_back(line);
    }
    for (pst::NodeId id : folder.subfolderIds()) {
        pst::Folder sub = file.folder(id);
        describe(file, sub, path + "/" + sub.displayName(), out);
    }
}

std::vector<std::string> describe(const fs::path& path) {
    auto file = pst::PstFile::open(path);
    std::vector<std::string> out;
    describe(*file, file->ipmSubtree(), "", out);
    return out;
}

TEST(GeneratorOptions, FourKiBPagesHoldTheSameMailboxAsUnicode) {
    TempDir dir;
    GenerateOptions o;
    o.items = 2000;  // enough for heaps of more than one block, whose addresses differ
    o.seed = 7;
    const GenerateSummary unicode = generateMailbox(dir / "u.pst", o);
    o.variant.format = Format::Unicode4k;
    const GenerateSummary ost = generateMailbox(dir / "4k.ost", o);
    EXPECT_EQ(unicode.folders, ost.folders);
    const std::vector<std::string> expected = describe(dir / "u.pst");
    ASSERT_GE(expected.size(), 2000u);
    EXPECT_EQ(describe(dir / "4k.ost"), expected);
    // The header says what Outlook's 4 KiB .ost files say: "SO", version 36.
    const std::string head = readFile(dir / "4k.ost").substr(8, 4);
    EXPECT_EQ(head, std::string("SO\x24\x00", 4));
    // pffexport, an independent reader, finds every item of a class it knows.
    const PeerRun pff = runPffexport(dir / "4k.ost", dir / "pff");
    ASSERT_EQ(pff.exitCode, 0) << pff.errors;
    EXPECT_EQ(pff.folders.at("Inbox").size(), ost.folders.at("Inbox"));
    EXPECT_EQ(pff.folders.at("Sent Items").size(), ost.folders.at("Sent Items"));
}

TEST(GeneratorOptions, OneFolderOfSmallItemsAndOneLargeAttachment) {
    TempDir dir;
    GenerateOptions o;
    o.items = 500;
    o.oneFolder = true;
    o.small = true;
    o.bigAttachment = 20'000'003;  // more blocks than one XBLOCK lists: an XXBLOCK
    const GenerateSummary s = generateMailbox(dir / "one.pst", o);
    EXPECT_EQ(s.items, 501u);
    EXPECT_EQ(s.attachments, 1u);
    EXPECT_EQ(s.folders.at("Inbox"), 501u);
    EXPECT_EQ(s.folders.at("Contacts"), 0u);

    auto file = pst::PstFile::open(dir / "one.pst");
    std::optional<pst::Folder> inbox;
    for (pst::NodeId id : file->ipmSubtree().subfolderIds()) {
        if (file->folder(id).displayName() == "Inbox") inbox = file->folder(id);
    }
    ASSERT_TRUE(inbox);
    const auto ids = inbox->messageIds();
    ASSERT_EQ(ids.size(), 501u);
    size_t withAttachments = 0;
    for (pst::NodeId id : ids) withAttachments += file->message(id).attachmentCount() > 0;
    EXPECT_EQ(withAttachments, 1u);

    pst::Message big = file->message(ids.front());
    EXPECT_EQ(big.subject(), kBigAttachmentSubject);
    ASSERT_EQ(big.attachmentCount(), 1u);
    const auto a = pst::itemOf(big)->attachment(0);
    EXPECT_EQ(a->fileName(), kBigAttachmentName);
    const auto expected = bigAttachmentContent(o);
    auto data = a->openData();
    std::vector<uint8_t> got(1 << 20), want(1 << 20);
    uint64_t at = 0;
    while (size_t n = data->read(got)) {
        ASSERT_LE(at + n, o.bigAttachment);
        expected->read(at, std::span(want).first(n));
        ASSERT_TRUE(std::equal(got.begin(), got.begin() + static_cast<long>(n), want.begin()))
            << "differs in the MiB from " << at;
        at += n;
    }
    EXPECT_EQ(at, o.bigAttachment);
}

TEST(GeneratorOptions, TargetSizeGrowsTheFileToAboutThatSize) {
    TempDir dir;
    for (Format format : {Format::Unicode, Format::Unicode4k}) {
        GenerateOptions o;
        o.items = 0;
        o.targetBytes = 6'000'000;
        o.variant.format = format;
        const GenerateSummary s = generateMailbox(dir / "sized.pst", o);
        // The last item may pass the mark; the B-trees and the rest of the last map range
        // (16.7 MB with 4 KiB pages) come on top.
        const uint64_t slack = format == Format::Unicode ? 2'000'000 : 17'000'000;
        EXPECT_GE(s.bytes, o.targetBytes);
        EXPECT_LE(s.bytes, o.targetBytes + slack);
        EXPECT_GT(s.folders.at("Contacts"), 0u);
        EXPECT_GT(s.folders.at("Archive/2019"), 0u);
        EXPECT_EQ(s.folders.at("Empty folder"), 0u);
        EXPECT_EQ(describe(dir / "sized.pst").size(), s.items);
    }
}

}  // namespace
}  // namespace pellmark::test
