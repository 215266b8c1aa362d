// Damaged and foreign input: clear errors, no crash, and what is not damaged stays readable.

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "base/Crc32.h"
#include "pst/messaging/Folder.h"
#include "pst/messaging/Items.h"
#include "pst/messaging/Message.h"
#include "pst/messaging/PstFile.h"
#include "pstwriter/messaging/PstBuilder.h"
#include "support/TestFiles.h"

namespace pellmark::pst {
namespace {

using test::TempDir;

ErrorCode openError(const std::filesystem::path& p) {
    try {
        PstFile::open(p);
    } catch (const PstError& e) {
        return e.code();
    }
    ADD_FAILURE() << "opened " << p;
    return ErrorCode::Io;
}

void patch(const std::filesystem::path& p, uint64_t offset, std::initializer_list<uint8_t> bytes) {
    std::fstream f(p, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(offset));
    for (uint8_t b : bytes) f.put(static_cast<char>(b));
}

TEST(BadInput, ForeignFilesGetAClearError) {
    TempDir dir;
    test::writeFile(dir / "empty.pst", "");
    test::writeFile(dir / "text.pst", "Dear diary, this is not a mailbox.\n");
    test::writeFile(dir / "short.pst", std::string("!BDN\0\0SM\x17\0", 10));
    EXPECT_EQ(openError(dir / "empty.pst"), ErrorCode::NotAPst);
    EXPECT_EQ(openError(dir / "text.pst"), ErrorCode::NotAPst);
    EXPECT_EQ(openError(dir / "short.pst"), ErrorCode::NotAPst);
    EXPECT_EQ(openError(dir / "missing.pst"), ErrorCode::Io);
    EXPECT_EQ(openError(dir.path()), ErrorCode::Io);  // a directory
}

TEST(BadInput, UnknownVersionIsNamed) {
    PELLMARK_SAMPLE_OR_SKIP(sample, "pst/pstsdk__sample1.pst");
    TempDir dir;
    std::filesystem::copy_file(sample, dir / "v.pst");
    patch(dir / "v.pst", 10, {99, 0});
    try {
        PstFile::open(dir / "v.pst");
        FAIL();
    } catch (const PstError& e) {
        EXPECT_EQ(e.code(), ErrorCode::UnsupportedVersion);
        EXPECT_NE(std::string(e.what()).find("99"), std::string::npos);
    }
}

// Flips one byte inside the data block of the first message of the sample's first folder
// with items; returns that message's node id.
NodeId damageFirstMessage(const std::filesystem::path& copy, uint64_t* blockOffset) {
    auto file = PstFile::open(copy);
    NodeId victim;
    for (NodeId id : file->ipmSubtree().subfolderIds()) {
        Folder folder = file->folder(id);
        if (folder.messageCount() > 0) {
            victim = folder.messageIds().at(0);
            break;
        }
    }
    auto node = file->ndb().findNode(victim);
    auto block = file->ndb().findBlock(node->bidData);
    *blockOffset = block->ib;
    file.reset();
    patch(copy, *blockOffset + 20, {0xA5});
    return victim;
}

TEST(BadInput, ADamagedBlockFailsItsItemOnlyWithOffsetAndIds) {
    PELLMARK_SAMPLE_OR_SKIP(sample, "pst/hht__threeItems.pst");
    TempDir dir;
    const auto copy = dir / "damaged.pst";
    std::filesystem::copy_file(sample, copy);
    uint64_t offset = 0;
    const NodeId victim = damageFirstMessage(copy, &offset);

    auto file = PstFile::open(copy);
    try {
        file->message(victim);
        FAIL() << "a block with a wrong CRC was read";
    } catch (const PstError& e) {
        EXPECT_EQ(e.code(), ErrorCode::BadCrc);
        EXPECT_EQ(e.offset(), offset);
        EXPECT_EQ(e.nodeId(), victim.value);
        EXPECT_NE(e.blockId(), 0u);
    }
    // Every other item of the file still reads.
    size_t readable = 0;
    for (NodeId id : file->ipmSubtree().subfolderIds()) {
        for (NodeId m : file->folder(id).messageIds()) {
            if (m == victim) continue;
            EXPECT_FALSE(file->message(m).subject().empty());
            ++readable;
        }
    }
    EXPECT_GE(readable, 2u);
}

TEST(BadInput, LostSectorsFailTheirObjectsOnly) {
    PELLMARK_SAMPLE_OR_SKIP(sample, "pst/npm-pst-extractor__enron.pst");
    TempDir dir;
    const auto copy = dir / "holes.pst";
    std::filesystem::copy_file(sample, copy);
    {
        // Zeroes a stretch in the middle of the file, as a bad disk would.
        std::fstream f(copy, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(std::filesystem::file_size(copy) / 3));
        const std::string zeros(256 * 1024, '\0');
        f.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
    }
    auto file = PstFile::open(copy);
    size_t ok = 0, failed = 0;
    std::function<void(const Folder&)> walk = [&](const Folder& f) {
        for (NodeId m : f.messageIds()) {
            try {
                const auto msg = itemOf(file->message(m));
                for (size_t i = 0; i < msg->attachmentCount(); ++i) {
                    auto s = msg->attachment(i)->openData();
                    std::vector<uint8_t> buf(65536);
                    while (s->read(buf) > 0) {
                    }
                }
                ++ok;
            } catch (const PstError& e) {
                EXPECT_TRUE(e.code() == ErrorCode::BadCrc || e.code() == ErrorCode::BadBlock ||
                            e.code() == ErrorCode::BadPage)
                    << e.what();
                ++failed;
            }
        }
        for (NodeId id : f.subfolderIds()) walk(file->folder(id));
    };
    walk(file->ipmSubtree());
    EXPECT_GT(failed, 0u);
    EXPECT_GT(ok, 20u);
}

TEST(BadInput, ACopyCutShortStillGivesWhatItsPagesHold) {
    PELLMARK_SAMPLE_OR_SKIP(sample, "pst/npm-pst-extractor__enron.pst");
    TempDir dir;
    const auto copy = dir / "cut.pst";
    std::filesystem::copy_file(sample, copy);
    std::filesystem::resize_file(copy, std::filesystem::file_size(copy) / 3);
    // The B-tree roots lie past the cut, and with them the folder tree; the leaf pages of the
    // node and block B-trees before it still find most messages.
    auto file = PstFile::open(copy);
    EXPECT_TRUE(file->ndb().truncated());
    const auto lost = file->unreachableMessages();
    EXPECT_GE(lost.size(), 45u);
    size_t read = 0;
    for (const auto& e : lost) {
        try {
            read += !file->message(e.nid).subject().empty();
        } catch (const PstError&) {
        }
    }
    EXPECT_GE(read, 45u);
    ASSERT_FALSE(file->ndb().damage().empty());
    EXPECT_NE(file->ndb().damage()[0].find("node index damaged"), std::string::npos);

    // An untouched file has nothing to recover and no damage.
    auto whole = PstFile::open(sample);
    EXPECT_FALSE(whole->ndb().truncated());
    EXPECT_TRUE(whole->unreachableMessages().empty());
    EXPECT_TRUE(whole->ndb().damage().empty());
}

// Gives the node index entry of `nid` in a Unicode file another key, and the page's CRC the
// value that matches again: the node is gone, and no checksum says so.
void renameIndexEntry(const std::filesystem::path& p, NodeId nid) {
    std::string file = test::readFile(p);
    for (size_t page = 512; page + 512 <= file.size(); page += 512) {
        auto at = [&](size_t i) { return static_cast<uint8_t>(file[page + i]); };
        if (at(496) != 0x81 || at(497) != 0x81 || at(491) != 0) continue;  // node B-tree leaves
        for (size_t e = 0; e < at(488); ++e) {
            const size_t entry = page + e * at(490);
            if (std::memcmp(file.data() + entry, &nid.value, 4) != 0) continue;
            file[entry + 3] = static_cast<char>(0x40);
            const uint32_t crc =
                base::computeCrc(Bytes(reinterpret_cast<const uint8_t*>(file.data()) + page, 496));
            std::memcpy(file.data() + page + 500, &crc, 4);
            test::writeFile(p, file);
            return;
        }
    }
    FAIL() << "no index entry for node " << nid.value;
}

TEST(BadInput, AMissingTableIsDamageNotAnEmptyFolder) {
    TempDir dir;
    pstwriter::PstBuilder b;
    b.root()
        .addFolder("Inbox", "IPF.Note")
        .addFolder("Sub", "IPF.Note")
        .addMessage()
        .setSubject("x");
    b.write(dir / "m.pst", {Format::Unicode, CryptMethod::None});
    NodeId inbox;
    for (NodeId id : PstFile::open(dir / "m.pst")->ipmSubtree().subfolderIds()) {
        if (PstFile::open(dir / "m.pst")->folder(id).displayName() == "Inbox") inbox = id;
    }
    renameIndexEntry(dir / "m.pst", inbox.withType(NodeType::HierarchyTable));
    auto file = PstFile::open(dir / "m.pst");
    try {
        file->folder(inbox).subfolderIds();
        ADD_FAILURE() << "a missing hierarchy table was taken for no subfolders";
    } catch (const PstError& e) {
        EXPECT_EQ(e.code(), ErrorCode::NotFound);
        EXPECT_NE(std::string(e.what()).find("hierarchy table is missing"), std::string::npos);
    }
    EXPECT_EQ(file->unreachableMessages().size(), 1u) << "the message below it is recovered";
}

TEST(BadInput, AHeaderWithAWrongCrcStillOpensWhenItsRootsAreSound) {
    PELLMARK_SAMPLE_OR_SKIP(sample, "pst/pstsdk__sample1.pst");
    TempDir dir;
    std::filesystem::copy_file(sample, dir / "h.pst");
    patch(dir / "h.pst", 524, {0, 0, 0, 0});
    auto file = PstFile::open(dir / "h.pst");
    EXPECT_FALSE(file->ndb().header().crcValid);
    EXPECT_EQ(file->store().displayName, "sample1");
}

}  // namespace
}  // namespace pellmark::pst
