#include "export/FolderOutput.h"

#include <gtest/gtest.h>

#include "support/TestFiles.h"

namespace pellmark::exporting {
namespace {

namespace fs = std::filesystem;

auto writes(const std::string& content) {
    return [content](const std::string& path) { test::writeFile(path, content); };
}

auto names(std::vector<std::string> list) {
    return [list](int attempt) { return list.at(static_cast<std::size_t>(attempt)); };
}

std::vector<std::string> entries(const fs::path& dir) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir)) found.push_back(entry.path().filename());
    std::sort(found.begin(), found.end());
    return found;
}

TEST(FolderOutput, TakenNamesAreNeverOverwritten) {
    test::TempDir dir;
    test::writeFile(dir / "a.txt", "from an earlier run");
    std::vector<std::string> paths;
    {
        FolderOutput output(dir.path().string());
        const auto first = output.write(writes("new"), names({"a.txt", "b.txt"}), ".txt");
        const auto second = output.write(writes("newer"), names({"a.txt", "b.txt", "c.txt"}));
        EXPECT_EQ(first.path, (dir / "b.txt").string());
        EXPECT_EQ(first.bytes, 3u);
        EXPECT_EQ(second.path, (dir / "c.txt").string());
    }
    EXPECT_EQ(test::readFile(dir / "a.txt"), "from an earlier run");
    EXPECT_EQ(test::readFile(dir / "b.txt"), "new");
    EXPECT_EQ(test::readFile(dir / "c.txt"), "newer");
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}))
        << "the scratch directory is gone";
}

TEST(FolderOutput, ANameTakenByADirectoryIsPassedOver) {
    test::TempDir dir;
    fs::create_directory(dir / "Sub");
    FolderOutput output(dir.path().string());
    EXPECT_EQ(output.write(writes("x"), names({"Sub", "Sub (2)"})).path,
              (dir / "Sub (2)").string());
}

TEST(FolderOutput, FailuresLeaveNoFile) {
    test::TempDir dir;
    FolderOutput output(dir.path().string() + "/");
    EXPECT_THROW(output.write(
                     [](const std::string& path) {
                         test::writeFile(path, "half");
                         throw std::runtime_error("save failed");
                     },
                     names({"x"})),
                 std::runtime_error);
    EXPECT_THROW(output.write([](const std::string&) {}, names({"x"})), WriteError)
        << "a save that reports success without a file";
    test::writeFile(dir / "taken", "");
    EXPECT_THROW(output.write(writes("y"), [](int) { return std::string("taken"); }), WriteError);
    EXPECT_FALSE(fs::exists(dir / "x"));
    const auto written = output.write(writes("z"), names({"x"}));
    EXPECT_EQ(test::readFile(written.path), "z");
}

TEST(FolderOutput, AMissingDirectoryFailsClearly) {
    test::TempDir dir;
    FolderOutput output((dir / "missing").string());
    try {
        output.write(writes("x"), names({"x"}));
        FAIL() << "no error";
    } catch (const WriteError& error) {
        EXPECT_NE(std::string(error.what()).find("missing"), std::string::npos);
    }
}

}  // namespace
}  // namespace pellmark::exporting
