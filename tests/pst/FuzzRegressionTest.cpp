// The fuzz target's walk over every input the fuzzer ever found a fault with, and over the
// real samples, where it must meet no error at all.

#include <gtest/gtest.h>

#include "WalkFile.h"
#include "support/TestFiles.h"

namespace pellmark::fuzz {
namespace {

TEST(FuzzRegression, EveryKeptInputIsReadWithoutFault) {
    const auto dir =
        std::filesystem::path(PELLMARK_TESTS_DIR) / ".." / ".." / "fuzz" / "regressions";
    size_t inputs = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        if (e.path().filename().string().front() == '.') continue;
        SCOPED_TRACE(e.path().filename().string());
        walkFile(e.path());  // must neither crash nor hang nor trip a sanitizer
        ++inputs;
    }
    RecordProperty("inputs", static_cast<int>(inputs));
}

TEST(FuzzRegression, RealSamplesWalkWithoutAnyError) {
    PELLMARK_SAMPLE_OR_SKIP(dir, "pst");
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        SCOPED_TRACE(e.path().filename().string());
        WalkStats s = walkFile(e.path(), 1'000'000);
        EXPECT_EQ(s.errors, 0u);
        EXPECT_GT(s.folders, 2u);
        EXPECT_GT(s.properties, 50u);
    }
}

}  // namespace
}  // namespace pellmark::fuzz
