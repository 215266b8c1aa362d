#include "app/ProgramArguments.h"

namespace pellmark::app {

namespace {

ProgramArguments misuse(std::string problem) {
    ProgramArguments line;
    line.action = ProgramArguments::Action::Misuse;
    line.problem = std::move(problem);
    return line;
}

}  // namespace

ProgramArguments readProgramArguments(const std::vector<std::string>& args) {
    ProgramArguments line;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            files.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            line.action = ProgramArguments::Action::Help;
        } else if (arg == "--version") {
            line.action = ProgramArguments::Action::Version;
        } else {
            return misuse("unknown option '" + arg + "'");
        }
    }
    if (line.action != ProgramArguments::Action::OpenWindow) return line;
    if (files.size() > 1) {
        return misuse("one data file at a time (" + std::to_string(files.size()) + " were given)");
    }
    if (files.size() == 1) {
        if (files[0].empty()) return misuse("the data file's name is empty");
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(files[0], ec);
        line.file = ec ? files[0] : absolute.string();
    }
    return line;
}

std::string usageText(const std::filesystem::path& profile) {
    const char* const before =
        "Usage: pellmark [FILE.pst | FILE.ost]\n"
        "       pellmark --help | --version\n"
        "\n"
        "Opens Pellmark's window, which exports the folders of an Outlook data file (.pst\n"
        "or .ost) to .msg, .eml, .txt, .vcf, .rtf, .html or .mht files, one file per item,\n"
        "in directories that mirror the mailbox. Given a FILE, the window opens on it with\n"
        "its folders shown; without one, choose a configured mailbox or any data file in\n"
        "the window. Help, Contents in the window explains every step.\n"
        "\n"
        "The configured mailboxes are the data files listed in the profile,\n";
    const char* const after =
        "($XDG_CONFIG_HOME/pellmark/profile, else ~/.config/pellmark/profile): the path of\n"
        "one data file a line; blank lines and lines starting with ';' are passed over.\n"
        "A data file opened in the window is added to it.\n"
        "\n"
        "  --help     prints this text\n"
        "  --version  prints the version\n"
        "\n"
        "The window needs a display (DISPLAY or WAYLAND_DISPLAY). The same export without\n"
        "a window, for scripts, many files at once or a machine without a display, also to\n"
        "mbox and Maildir: pellmark-export (pellmark-export --help, man pellmark-export).\n";
    return before + ("  " + profile.string() + "\n") + after;
}

}  // namespace pellmark::app
