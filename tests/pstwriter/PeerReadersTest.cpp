// Files of every variant, read back by the independent readers of Debian: both must read them
// without an error and find the folders, items, subjects and attachment bytes written.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "Fixtures.h"
#include "PeerReaders.h"
#include "support/TestFiles.h"

namespace pellmark::test {
namespace {

using pstwriter::CryptMethod;
using pstwriter::FileVariant;
using pstwriter::Format;

class PeerReadersTest : public testing::TestWithParam<FileVariant> {
  protected:
    void SetUp() override {
        box_ = shapedMailbox();
        box_.builder.write(dir_ / "box.pst", GetParam());
    }
    std::string expectText(const std::string& s) const { return textAsStored(GetParam(), s); }
    TempDir dir_;
    ShapedMailbox box_;
};

TEST_P(PeerReadersTest, PffexportFindsEverythingWritten) {
    const PeerRun run = runPffexport(dir_ / "box.pst", dir_ / "pff");
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.errors.find("nable"), std::string::npos) << run.errors;

    std::set<std::string> written, found;
    for (const auto& [path, items] : box_.folders) written.insert(path);
    for (const auto& [path, items] : run.folders) found.insert(path);
    EXPECT_EQ(found, written);
    for (const auto& [path, expected] : box_.folders) {
        SCOPED_TRACE(path);
        const std::vector<PeerItem>& items = run.folders.at(path);
        ASSERT_EQ(items.size(), expected.size());
        std::multiset<std::string> kinds, wantKinds, subjects, wantSubjects;
        for (const PeerItem& i : items) {
            kinds.insert(i.kind);
            if (i.kind == "Message") subjects.insert(i.subject);
            for (const ExpectedItem& e : expected) {
                if (e.subject.empty() || expectText(e.subject) != i.subject) continue;
                for (const auto& [name, bytes] : e.attachments) {
                    ASSERT_TRUE(i.attachments.count(name)) << name;
                    EXPECT_EQ(i.attachments.at(name), bytes) << name;
                }
            }
        }
        for (const ExpectedItem& e : expected) {
            wantKinds.insert(e.kind);
            if (e.kind == "Message") wantSubjects.insert(expectText(e.subject));
        }
        EXPECT_EQ(kinds, wantKinds);
        EXPECT_EQ(subjects, wantSubjects);
    }
}

TEST_P(PeerReadersTest, ReadpstFindsEverythingWritten) {
    const PeerRun run = runReadpst(dir_ / "box.pst", dir_ / "readpst");
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    // readpst leaves out empty folders and the kinds it does not export (tasks, notes and
    // distribution lists); everything else must be there.
    for (const auto& [path, expected] : box_.folders) {
        SCOPED_TRACE(path);
        std::multiset<std::string> want;
        for (const ExpectedItem& e : expected) {
            if (e.kind == "Message")
                want.insert(expectText(e.subject));
            else if (e.kind == "Contact" || e.kind == "Appointment" || e.kind == "Activity")
                want.insert("");
        }
        if (want.empty()) continue;
        ASSERT_TRUE(run.folders.count(path));
        std::multiset<std::string> got;
        for (const PeerItem& i : run.folders.at(path)) {
            got.insert(want.count(i.subject) ? i.subject : "");
            for (const ExpectedItem& e : expected) {
                if (e.subject.empty() || expectText(e.subject) != i.subject) continue;
                for (const auto& [name, bytes] : e.attachments) {
                    ASSERT_TRUE(i.attachments.count(name)) << name;
                    EXPECT_EQ(i.attachments.at(name), bytes) << name;
                }
            }
        }
        EXPECT_EQ(got, want);
    }
}

INSTANTIATE_TEST_SUITE_P(AllVariants, PeerReadersTest,
                         testing::Values(FileVariant{Format::Unicode, CryptMethod::None},
                                         FileVariant{Format::Unicode, CryptMethod::Permute},
                                         FileVariant{Format::Unicode, CryptMethod::Cyclic},
                                         FileVariant{Format::Ansi, CryptMethod::None},
                                         FileVariant{Format::Ansi, CryptMethod::Permute},
                                         FileVariant{Format::Ansi, CryptMethod::Cyclic}),
                         variantName);

}  // namespace
}  // namespace pellmark::test
