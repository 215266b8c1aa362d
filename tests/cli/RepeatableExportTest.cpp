// The same mailbox exported twice by `pellmark-export` gives every item the same bytes, in every
// format: two runs' manifests hold the same SHA-256 for each item. File names carry a number
// drawn at random, so files are matched by the item's entry id. The second run goes where the
// first did (the first moved aside), as the links of a page with attachments name their files
// by full path.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "pstwriter/Generator.h"
#include "support/TestFiles.h"

namespace pellmark::cli {
namespace {

namespace fs = std::filesystem;

const std::string kExport = (fs::path(PELLMARK_BINARY_DIR) / "src/cli/pellmark-export").string();

// The SHA-256 of every file an export root's manifest lists, by the item's entry id (an
// item's files in order of their hashes: a page and the attachments beside it).
using Hashes = std::map<std::string, std::vector<std::string>>;
Hashes hashesOf(const fs::path& root, std::map<std::string, std::string>& files) {
    Hashes out;
    std::ifstream manifest(root / "export-manifest.tsv");
    std::string line;
    std::getline(manifest, line);  // the column names
    while (std::getline(manifest, line)) {
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
        if (f.size() < 6) {
            ADD_FAILURE() << root << ": " << line;
            continue;
        }
        out[f[0]].push_back(f[5]);
        files.emplace(f[0], f[3]);  // the first run's name
    }
    for (auto& [id, hashes] : out) std::sort(hashes.begin(), hashes.end());
    return out;
}

// Exports `source` (a file or a directory of them) into `out`; the exit status.
int exportTo(const std::string& format, const fs::path& source, const fs::path& out) {
    return test::runCommand("timeout 120 " + kExport + " --format " + format + " " +
                            test::shellQuote(source.string()) + " " +
                            test::shellQuote(out.string()) + " >/dev/null 2>&1")
        .status;
}

// Exports `source` twice in `format` and compares every item of every export root. Returns
// the number of items compared.
size_t compareTwoRuns(const std::string& format, const fs::path& source, const fs::path& dir) {
    const fs::path out = dir / "out", first = dir / "first";
    fs::remove_all(out);
    fs::remove_all(first);
    EXPECT_LE(exportTo(format, source, out), 1) << format;
    fs::rename(out, first);
    EXPECT_LE(exportTo(format, source, out), 1) << format;
    size_t items = 0;
    for (const auto& e : fs::recursive_directory_iterator(first)) {
        if (e.path().filename() != "export-manifest.tsv") continue;
        const fs::path root = e.path().parent_path();
        std::map<std::string, std::string> files;
        const Hashes before = hashesOf(root, files);
        const Hashes after = hashesOf(out / fs::relative(root, first), files);
        EXPECT_EQ(before.size(), after.size()) << format << ": " << root;
        for (const auto& [id, hashes] : before) {
            const auto again = after.find(id);
            EXPECT_TRUE(again != after.end() && again->second == hashes)
                << format << ": " << files[id] << " came out differently the second time";
            ++items;
        }
    }
    return items;
}

const char* const kFormats[] = {"eml", "mht", "html", "txt",    "rtf",
                                "msg", "vcf", "mbox", "maildir"};

TEST(RepeatableExport, AGeneratedMailboxComesOutTheSameTwiceInEveryFormat) {
    test::TempDir dir;
    // Inline images, attachments, embedded messages up to three deep, contacts, every kind.
    pstwriter::GenerateOptions o;
    o.items = 300;
    o.seed = 11;
    pstwriter::generateMailbox(dir / "box.pst", o);
    for (const char* format : kFormats) {
        EXPECT_GT(compareTwoRuns(format, dir / "box.pst", dir.path()), 10u) << format;
    }
}

// The formats whose writers draw ids (mbox and Maildir carry the .eml writer's output), over
// what Outlook wrote: transport headers, inline images, messages in messages.
TEST(RepeatableExport, TheSamplesComeOutTheSameTwiceAsMimeAndHtml) {
    PELLMARK_SAMPLE_OR_SKIP(samples, "pst");
    test::TempDir dir;
    for (const char* format : {"eml", "mht", "html"}) {
        EXPECT_GT(compareTwoRuns(format, samples, dir.path()), 0u) << format;
    }
}

}  // namespace
}  // namespace pellmark::cli
