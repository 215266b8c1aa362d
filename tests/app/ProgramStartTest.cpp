// `pellmark` started from a terminal: what it answers without a window, what it says where no
// window can be shown (never Qt's abort), and a data file named on its command line.

#include <gtest/gtest.h>

#include "app/ProgramArguments.h"
#include "app/WindowSystem.h"
#include "pstwriter/messaging/PstBuilder.h"
#include "support/TestFiles.h"

namespace pellmark::app {
namespace {

namespace fs = std::filesystem;
using test::shellQuote;

const std::string kProgram = (fs::path(PELLMARK_BINARY_DIR) / "src/app/pellmark").string();

// Runs the program in an environment of its own (no display unless `env` names one), with
// standard error in the output.
test::CommandResult run(const std::string& env, const std::string& args) {
    return test::runCommand("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + env + " " +
                            shellQuote(kProgram) + " " + args + " 2>&1");
}

std::size_t lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(ProgramStart, HelpVersionAndMistakesNeedNoDisplay) {
    test::TempDir dir;
    const auto help = run("XDG_CONFIG_HOME=" + shellQuote(dir.path().string()), "--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: pellmark [FILE.pst | FILE.ost]\n", 0), 0u) << help.out;
    EXPECT_NE(help.out.find((dir / "pellmark/profile").string()), std::string::npos);
    EXPECT_NE(help.out.find("pellmark-export"), std::string::npos);

    const auto version = run("", "--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("pellmark ", 0), 0u);
    EXPECT_EQ(lines(version.out), 1u);

    for (const char* args : {"--frobnicate", "-platform offscreen", "a.pst b.pst", "''"}) {
        const auto wrong = run("", args);
        EXPECT_EQ(wrong.status, 2) << args;
        EXPECT_EQ(wrong.out.rfind("pellmark: ", 0), 0u) << wrong.out;
        EXPECT_NE(wrong.out.find("\nTry 'pellmark --help'"), std::string::npos) << wrong.out;
        EXPECT_EQ(lines(wrong.out), 2u) << wrong.out;
    }
}

TEST(ProgramStart, WithoutADisplayItSaysHowToGoOn) {
    // None named, or one named that cannot be reached.
    for (const char* env : {"", "QT_QPA_PLATFORM=xcb", "DISPLAY=:97 QT_QPA_PLATFORM=xcb"}) {
        const auto result = run(env, "mail.pst");
        EXPECT_EQ(result.status, 1) << env << ": " << result.out;
        EXPECT_EQ(lines(result.out), 1u) << result.out;
        EXPECT_EQ(result.out.rfind("pellmark: ", 0), 0u) << result.out;
        EXPECT_NE(result.out.find("pellmark-export"), std::string::npos) << result.out;
        EXPECT_NE(result.out.find("xvfb-run"), std::string::npos) << result.out;
        EXPECT_EQ(result.out.find("Reinstalling"), std::string::npos) << result.out;
    }
}

TEST(ProgramStart, PlatformsThatNeedNoDisplay) {
    EXPECT_FALSE(missingDisplay({"", "", ""}).empty());
    EXPECT_FALSE(missingDisplay({"", "", "xcb"}).empty());
    EXPECT_FALSE(missingDisplay({"", "", "wayland;xcb"}).empty());
    EXPECT_TRUE(missingDisplay({":0", "", ""}).empty());
    EXPECT_TRUE(missingDisplay({"", "wayland-0", ""}).empty());
    for (const char* platforms : {"offscreen", "minimal", "vnc:size=800x600", "xcb;offscreen"}) {
        EXPECT_TRUE(missingDisplay({"", "", platforms}).empty()) << platforms;
    }
}

TEST(ProgramStart, TheFileNamedIsMadeAbsolute) {
    const ProgramArguments plain = readProgramArguments({});
    EXPECT_EQ(plain.action, ProgramArguments::Action::OpenWindow);
    EXPECT_EQ(plain.file, "");
    const ProgramArguments relative = readProgramArguments({"mail.pst"});
    EXPECT_EQ(relative.file, (fs::current_path() / "mail.pst").string());
    const ProgramArguments dashed = readProgramArguments({"--", "-old.pst"});
    EXPECT_EQ(dashed.action, ProgramArguments::Action::OpenWindow);
    EXPECT_EQ(dashed.file, (fs::current_path() / "-old.pst").string());
    EXPECT_EQ(readProgramArguments({"/m/a.pst", "--help"}).action, ProgramArguments::Action::Help);
}

// The file opens in the window (offscreen), and so joins the configured mailboxes.
TEST(ProgramStart, TheFileNamedOpensAndIsKept) {
    test::TempDir dir;
    pstwriter::PstBuilder builder;
    builder.root().addFolder("Inbox", "IPF.Note");
    builder.write(dir / "mail.pst");
    const fs::path profile = dir / "config/pellmark/profile";
    // Started in the background; stopped once the profile lists a file, or after 30 s.
    const std::string start =
        "cd " + shellQuote(dir.path().string()) +
        " && exec env XDG_CONFIG_HOME=" + shellQuote((dir / "config").string()) +
        " QT_QPA_PLATFORM=offscreen " + shellQuote(kProgram) + " mail.pst";
    const std::string wait = "for i in $(seq 300); do [ -s " + shellQuote(profile.string()) +
                             " ] && break; sleep 0.1; done";
    const std::string script = "(" + start + ") & pid=$!; " + wait + "; kill $pid; wait $pid";
    test::runCommand("sh -c " + shellQuote(script));
    ASSERT_TRUE(fs::exists(profile)) << "the window did not open the file";
    EXPECT_NE(test::readFile(profile).find("\n" + (dir / "mail.pst").string() + "\n"),
              std::string::npos)
        << test::readFile(profile);
}

}  // namespace
}  // namespace pellmark::app
