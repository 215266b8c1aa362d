#pragma once
// The command line of pellmark-export read into what it asks for. Options take their value as
// `--format VALUE`, `--format=VALUE`, `-f VALUE` or `-fVALUE`; short flags bundle (`-lq`);
// `--` ends the options; options and operands mix in any order. A command line that cannot be
// run comes back with one line saying why, for the usage error.

#include <string>
#include <vector>

#include "cli/ExportCommand.h"
#include "cli/ListCommand.h"

namespace pellmark::cli {

struct CommandLine {
    enum class Action { Export, List, Merge, Help, Version };
    Action action = Action::Export;
    // With Export: everything but options.file, which each mailbox sets.
    ExportOptions options;
    // The MAILBOX operands of the export or of the listing; with Merge, the directories whose
    // exports are merged into options.outputDirectory.
    std::vector<std::string> mailboxes;
    ListKind listKind = ListKind::Folders;
    bool json = false;
    // Why the command line cannot be run, without the program's name; empty when it can.
    std::string error;
};

CommandLine parseCommandLine(const std::vector<std::string>& args);

}  // namespace pellmark::cli
