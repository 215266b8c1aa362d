// Our reader against an independent one: for every real sample, the folder tree, item counts,
// kinds, subjects and attachment sizes equal what pffexport found (expected/*.tsv, written by
// expected/regenerate.py). Known disagreements are listed in kPeerFaults with the reason.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "pst/messaging/Folder.h"
#include "pst/messaging/Items.h"
#include "pst/messaging/Message.h"
#include "pst/messaging/PstFile.h"
#include "support/TestFiles.h"

namespace pellmark::pst {
namespace {

std::string escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

// pffexport names its item folders after the item's kind.
std::string kindOf(const std::string& cls) {
    static const std::pair<const char*, const char*> kKinds[] = {
        {"IPM.Appointment", "Appointment"},
        {"IPM.Contact", "Contact"},
        {"IPM.DistList", "DistributionList"},
        {"IPM.Task", "Task"},
        {"IPM.Activity", "Activity"},
        {"IPM.Schedule.Meeting", "Meeting"},
        {"IPM.StickyNote", "Note"}};
    for (const auto& [prefix, kind] : kKinds) {
        if (cls.rfind(prefix, 0) == 0) return kind;
    }
    return "Message";
}

void listFolder(const PstFile& file, const Folder& folder, const std::string& path,
                std::vector<std::string>& out) {
    const auto items = folder.messageIds();
    if (!path.empty()) out.push_back("F\t" + escape(path) + "\t" + std::to_string(items.size()));
    for (size_t i = 0; i < items.size(); ++i) {
        Message m = file.message(items[i]);
        uint64_t bytes = 0;
        const size_t count = m.attachmentCount();
        const auto item = itemOf(m);
        for (size_t a = 0; a < count; ++a) bytes += item->attachment(a)->dataSize();
        out.push_back("I\t" + escape(path) + "\t" + std::to_string(i + 1) + "\t" +
                      kindOf(m.messageClass()) + "\t" + escape(m.subject()) + "\t" +
                      std::to_string(count) + "\t" + std::to_string(bytes));
    }
    for (NodeId id : folder.subfolderIds()) {
        Folder child = file.folder(id);
        listFolder(file, child,
                   path.empty() ? child.displayName() : path + "/" + child.displayName(), out);
    }
}

std::vector<std::string> readLines(const std::filesystem::path& p) {
    std::ifstream in(p);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

// Removes the documented disagreements of one sample from both sides.
void dropKnownDisagreements(const std::string& stem, std::vector<std::string>& peer,
                            std::vector<std::string>& ours) {
    for (const auto& row :
         readLines(std::filesystem::path(PELLMARK_TESTS_DIR) / "expected" / "disagreements.tsv")) {
        if (row[0] == '#') continue;
        const size_t a = row.find('\t'), b = row.find('\t', a + 1), c = row.find('\t', b + 1);
        if (row.substr(0, a) != stem) continue;
        auto& side = row.substr(a + 1, b - a - 1) == "peer" ? peer : ours;
        auto it = std::find(side.begin(), side.end(), row.substr(c + 1));
        ASSERT_NE(it, side.end()) << "stale disagreement: " << row;
        side.erase(it);
    }
}

class SampleListing : public testing::TestWithParam<std::string> {};

TEST_P(SampleListing, MatchesIndependentReader) {
    PELLMARK_SAMPLE_OR_SKIP(path, "pst/" + GetParam());
    auto file = PstFile::open(path);
    std::vector<std::string> ours;
    listFolder(*file, file->rootFolder(), "", ours);
    const std::string stem = std::filesystem::path(GetParam()).stem().string();
    auto expected =
        readLines(std::filesystem::path(PELLMARK_TESTS_DIR) / "expected" / (stem + ".tsv"));
    ASSERT_FALSE(expected.empty()) << "no expected listing for " << stem;
    dropKnownDisagreements(stem, expected, ours);
    std::sort(ours.begin(), ours.end());
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> missing, extra;
    std::set_difference(expected.begin(), expected.end(), ours.begin(), ours.end(),
                        std::back_inserter(missing));
    std::set_difference(ours.begin(), ours.end(), expected.begin(), expected.end(),
                        std::back_inserter(extra));
    std::string report;
    for (const auto& l : missing) report += "  peer only: " + l + "\n";
    for (const auto& l : extra) report += "  ours only: " + l + "\n";
    EXPECT_TRUE(missing.empty() && extra.empty()) << report;
}

std::vector<std::string> sampleNames() {
    std::vector<std::string> names;
    const auto dir = std::filesystem::path(PELLMARK_TESTS_DIR) / "expected";
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        std::string stem = e.path().stem().string();
        if (e.path().extension() != ".tsv" || stem == "disagreements") continue;
        names.push_back(stem + (stem.find("@outlook.com") != std::string::npos ? ".ost" : ".pst"));
    }
    std::sort(names.begin(), names.end());
    return names;
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleListing, testing::ValuesIn(sampleNames()),
                         [](const auto& info) {
                             std::string n = info.param;
                             for (char& c : n) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return n;
                         });

}  // namespace
}  // namespace pellmark::pst
