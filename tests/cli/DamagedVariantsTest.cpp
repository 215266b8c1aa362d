// Damaged copies of a mailbox, as people bring them: cut short, bytes changed, and changes
// whose checksums were made to match again. Whatever the damage, an export that says it
// succeeded (exit 0) has written every item; otherwise it says what it could not do.

#include <gtest/gtest.h>

#include <sstream>

#include "Damage.h"
#include "cli/ExportCommand.h"
#include "pstwriter/Generator.h"
#include "support/TestFiles.h"

namespace pellmark::cli {
namespace {

struct Outcome {
    int status;
    std::string out;
};

Outcome exportTxt(const std::filesystem::path& pst, const std::filesystem::path& out) {
    std::ostringstream summary, errors;
    ExportOptions options{"txt", {}, pst.string(), out.string(), false};
    const int status = runExport(options, summary, errors);
    return {status, summary.str()};
}

class DamagedVariants : public ::testing::TestWithParam<pstwriter::FileVariant> {};

TEST_P(DamagedVariants, ExitZeroOnlyWithEveryItemWritten) {
    test::TempDir dir;
    pstwriter::GenerateOptions o;
    o.items = 60;
    o.seed = 4;
    o.variant = GetParam();
    pstwriter::generateMailbox(dir / "whole.pst", o);
    const Outcome whole = exportTxt(dir / "whole.pst", dir / "whole");
    ASSERT_EQ(whole.status, 0) << whole.out;
    const std::string counts = whole.out.substr(0, whole.out.find(", 0 failed"));

    int exitedZero = 0, variants = 0;
    for (const auto& d : fuzz::damagedVariants(test::readFile(dir / "whole.pst"), 7, 24, 24, 24)) {
        SCOPED_TRACE(d.name);
        const auto file = dir / (d.name + ".pst");
        test::writeFile(file, d.bytes);
        const Outcome r = exportTxt(file, dir / ("out-" + d.name));
        ++variants;
        EXPECT_TRUE(r.status == 0 || r.status == 1 || r.status == 2) << r.status;
        if (r.status != 0) continue;
        ++exitedZero;
        // A change in a place nothing reads: the export is whole.
        EXPECT_EQ(r.out.substr(0, r.out.find(", 0 failed")), counts) << r.out;
        std::filesystem::remove_all(dir / ("out-" + d.name));
        std::filesystem::remove(file);
    }
    EXPECT_EQ(variants, 72);
    RecordProperty("exitedZero", exitedZero);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DamagedVariants,
    testing::Values(pstwriter::FileVariant{pst::Format::Unicode, pst::CryptMethod::Permute},
                    pstwriter::FileVariant{pst::Format::Ansi, pst::CryptMethod::None}),
    [](const auto& info) {
        return std::string(info.param.format == pst::Format::Ansi ? "Ansi" : "Unicode");
    });

}  // namespace
}  // namespace pellmark::cli
