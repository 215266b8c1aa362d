// `pellmark-export` as a user meets it when things go wrong: inputs that are no mailbox, an
// export run twice into one place, a run stopped by a signal, scratch left by a killed run.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "export/Manifest.h"
#include "pstwriter/Generator.h"
#include "support/TestFiles.h"

namespace pellmark::cli {
namespace {

namespace fs = std::filesystem;

const std::string kExport = (fs::path(PELLMARK_BINARY_DIR) / "src/cli/pellmark-export").string();

test::CommandResult exportCommand(const std::string& args) {
    // Standard error into the output: the messages are what is checked. `timeout` turns a hang
    // into a failure.
    return test::runCommand("timeout 20 " + kExport + " " + args + " 2>&1");
}

size_t filesNamed(const fs::path& dir, const std::string& extension) {
    size_t n = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        n += e.is_regular_file() && e.path().extension() == extension;
    }
    return n;
}

// The number of items the summary line says were written.
uint64_t writtenIn(const std::string& out) {
    const size_t at = out.find(" items written");
    if (at == std::string::npos) return 0;
    return std::stoull(out.substr(out.rfind('\n', at) + 1));
}

bool scratchLeft(const fs::path& dir) {
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        if (e.path().filename().string().rfind(".pellmark-partial-", 0) == 0) return true;
    }
    return false;
}

TEST(ExportSafety, WhatIsNoMailboxIsRefusedAtOnceWithItsReason) {
    test::TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    test::writeFile(dir / "empty.pst", "");
    const std::pair<std::string, std::string> cases[] = {
        {(dir / "pipe").string(), "a pipe"},
        {dir.path().string(), "a directory"},
        {"/dev/zero", "a device"},
        {(dir / "empty.pst").string(), "empty"},
        {(dir / "missing.pst").string(), "No such file"},
    };
    for (const auto& [input, reason] : cases) {
        for (const char* mode : {"--list", "--format eml"}) {
            const std::string args =
                std::string(mode) + " " + test::shellQuote(input) +
                (mode[2] == 'f' ? " " + test::shellQuote((dir / "out").string()) : "");
            const auto r = exportCommand(args);
            // A directory stands for the data files in it, listed or exported: the empty one.
            const bool ofDirectory = input == dir.path().string();
            EXPECT_EQ(r.status, 2) << args << "\n" << r.out;
            EXPECT_NE(r.out.find(ofDirectory ? "empty" : reason), std::string::npos) << args << "\n"
                                                                                     << r.out;
        }
    }
    const auto unwritable = exportCommand(
        "--format eml " + test::shellQuote((dir / "empty.pst").string()) + " /dev/null/x");
    EXPECT_EQ(unwritable.status, 2);
}

class ExportSafetyRuns : public ::testing::Test {
  protected:
    void SetUp() override {
        pstwriter::GenerateOptions o;
        o.items = 1500;
        o.seed = 3;
        pstwriter::generateMailbox(dir / "box.pst", o);
    }
    std::string exportArgs(const std::string& extra = "") const {
        return "--format eml " + extra + " " + test::shellQuote((dir / "box.pst").string()) + " " +
               test::shellQuote((dir / "out").string());
    }
    fs::path root() const { return dir / "out" / "Converted Outlook PST"; }

    test::TempDir dir;
};

TEST_F(ExportSafetyRuns, ASecondRunIntoTheSameRootIsRefusedUnlessTold) {
    const auto first = exportCommand(exportArgs());
    ASSERT_EQ(first.status, 0) << first.out;
    const uint64_t items = writtenIn(first.out);
    const size_t once = filesNamed(root(), ".eml");
    EXPECT_EQ(once + filesNamed(root(), ".vcf"), items);
    EXPECT_EQ(exporting::Manifest::read(root().string() + "/").size(), items);

    const auto refused = exportCommand(exportArgs());
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.out.find("already holds an export"), std::string::npos) << refused.out;
    EXPECT_EQ(filesNamed(root(), ".eml"), once);

    const auto resumed = exportCommand(exportArgs("--resume"));
    EXPECT_EQ(resumed.status, 0) << resumed.out;
    EXPECT_NE(resumed.out.find(std::to_string(items) + " items were written whole before"),
              std::string::npos)
        << resumed.out;
    EXPECT_EQ(filesNamed(root(), ".eml"), once) << "nothing written twice";

    EXPECT_EQ(exportCommand(exportArgs("--again")).status, 0);
    EXPECT_EQ(filesNamed(root(), ".eml"), 2 * once);
}

// Ctrl-C in the middle (twice, as an impatient user presses it): the items being written are
// finished, no scratch stays, the summary says how far it came, and --resume completes the
// export without writing anything twice.
TEST_F(ExportSafetyRuns, AStoppedRunCleansUpAndResumes) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::string log = (dir / "stopped.txt").string();
        ::freopen(log.c_str(), "w", stdout);
        ::dup2(::fileno(stdout), 2);
        ::execl(kExport.c_str(), kExport.c_str(), "--format", "eml", (dir / "box.pst").c_str(),
                (dir / "out").c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // Stop it once it has begun writing.
    for (int i = 0; i < 400 && filesNamed(dir.path(), ".eml") < 20; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(child, SIGINT);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ::kill(child, SIGINT);
    int status = 0;
    ::waitpid(child, &status, 0);
    const std::string log = test::readFile(dir / "stopped.txt");
    ASSERT_TRUE(WIFEXITED(status)) << log;
    if (WEXITSTATUS(status) == 0) GTEST_SKIP() << "the export ended before the signal came";
    EXPECT_EQ(WEXITSTATUS(status), 130) << log;
    EXPECT_NE(log.find("Stopped by a signal"), std::string::npos) << log;
    EXPECT_FALSE(scratchLeft(dir / "out"));

    const auto resumed = exportCommand(exportArgs("--resume"));
    EXPECT_EQ(resumed.status, 0) << resumed.out;
    const auto whole = exportCommand(exportArgs("--resume"));  // nothing left to do
    const size_t at = whole.out.find(" items were written whole before");
    ASSERT_NE(at, std::string::npos) << whole.out;
    EXPECT_EQ(filesNamed(root(), ".eml") + filesNamed(root(), ".vcf"),
              std::stoull(whole.out.substr(whole.out.rfind('\n', at) + 1)))
        << "every item once";
}

// Two runs into one place at once: one writes, the other is refused; every item once.
TEST_F(ExportSafetyRuns, TwoRunsAtOnceNeverMixTheirFiles) {
    const std::string command = "timeout 60 " + kExport + " " + exportArgs() + " >/dev/null 2>&1";
    const auto both = test::runCommand(
        "(" + command + "; echo $? > " + test::shellQuote((dir / "a").string()) + ") & (" +
        command + "; echo $? > " + test::shellQuote((dir / "b").string()) + ") & wait");
    std::vector<std::string> statuses{test::readFile(dir / "a"), test::readFile(dir / "b")};
    std::sort(statuses.begin(), statuses.end());
    EXPECT_EQ(statuses, (std::vector<std::string>{"0\n", "2\n"}));
    const auto whole = exportCommand(exportArgs("--resume"));
    EXPECT_EQ(whole.status, 0) << whole.out;
    EXPECT_EQ(writtenIn(whole.out), 0u) << whole.out;
    EXPECT_EQ(filesNamed(root(), ".eml") + filesNamed(root(), ".vcf"),
              exporting::Manifest::read(root().string() + "/").size());
    const auto other =
        exportCommand("--format html --resume " + test::shellQuote((dir / "box.pst").string()) +
                      " " + test::shellQuote((dir / "out").string()));
    EXPECT_EQ(other.status, 2);
    EXPECT_NE(other.out.find("holds an export of"), std::string::npos) << other.out;
}

// A run killed outright cannot clean up; the next run into the same place does.
TEST_F(ExportSafetyRuns, ScratchOfAKilledRunIsRemovedByTheNext) {
    ASSERT_EQ(exportCommand(exportArgs()).status, 0);
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    const fs::path inbox = root() / "Personal Folders" / "Inbox";
    ASSERT_TRUE(fs::is_directory(inbox));
    fs::create_directories(inbox / (".pellmark-partial-" + std::to_string(gone) + "-abcdef"));
    test::writeFile(inbox / (".pellmark-partial-" + std::to_string(gone) + "-abcdef") / "file0.eml",
                    "half");
    ASSERT_EQ(exportCommand(exportArgs("--resume")).status, 0);
    EXPECT_FALSE(scratchLeft(dir / "out"));
}

}  // namespace
}  // namespace pellmark::cli
