#pragma once
// What `pellmark` is asked for on its command line. Read before any window system is touched,
// so that --help, --version and a mistyped option answer on a machine without a display.

#include <filesystem>
#include <string>
#include <vector>

namespace pellmark::app {

struct ProgramArguments {
    enum class Action { OpenWindow, Help, Version, Misuse };

    Action action = Action::OpenWindow;
    // OpenWindow: the data file to open the window on, made absolute; empty for none.
    std::string file;
    // Misuse: what is wrong, in one line.
    std::string problem;
};

ProgramArguments readProgramArguments(const std::vector<std::string>& args);

// The text of --help; `profile` is where the configured mailboxes are listed.
std::string usageText(const std::filesystem::path& profile);

}  // namespace pellmark::app
