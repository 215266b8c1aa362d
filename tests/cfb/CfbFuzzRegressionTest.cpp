// The fuzz target's walk over every input the fuzzer found a fault with, and over the sample
// .msg files, which must read whole and copy through the writer unchanged.

#include <gtest/gtest.h>

#include "WalkCompoundFile.h"
#include "support/TestFiles.h"

namespace pellmark::fuzz {
namespace {

std::vector<uint8_t> bytesOf(const std::filesystem::path& path) {
    const std::string text = test::readFile(path);
    return {text.begin(), text.end()};
}

TEST(CfbFuzzRegression, EveryKeptInputIsReadWithoutFault) {
    const auto dir =
        std::filesystem::path(PELLMARK_TESTS_DIR) / ".." / ".." / "fuzz" / "regressions-cfb";
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        if (e.path().filename().string().front() == '.') continue;
        SCOPED_TRACE(e.path().filename().string());
        walkCompoundFile(bytesOf(e.path()));  // must neither crash nor hang nor abort
    }
}

TEST(CfbFuzzRegression, SamplesReadWholeAndCopyUnchanged) {
    PELLMARK_SAMPLE_OR_SKIP(dir, "msg");
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        if (e.path().extension() != ".msg") continue;
        SCOPED_TRACE(e.path().filename().string());
        const CompoundWalk walk = walkCompoundFile(bytesOf(e.path()));
        EXPECT_EQ(walk.errors, 0u);
        EXPECT_GT(walk.streams, 3u);
    }
}

}  // namespace
}  // namespace pellmark::fuzz
