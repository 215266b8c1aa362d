#include "cli/CommandLine.h"

#include "formats/OutputFormats.h"

#include <algorithm>
#include <iterator>
#include <set>

#include "base/Printable.h"

namespace pellmark::cli {
namespace {

struct Option {
    const char* name;       // the long name, without its "--"
    char letter;            // the short name, or 0
    const char* valueName;  // the value it takes, as the help names it; nullptr for a flag
};

// The short names are the ones users of readpst and pffexport already type: -f the format
// (pffexport), -o the output directory (readpst), -q quiet (both), -v verbose (pffexport),
// -V the version (both), -h the help. Neither lists a mailbox; -l lists (pffexport's -l names
// a log file, which has no counterpart here). The rarer options keep their long names only.
constexpr Option kOptions[] = {
    {"format", 'f', "FORMAT"},   {"output", 'o', "OUTDIR"}, {"folder", 0, "PATH"},
    {"since", 0, "DATE"},        {"until", 0, "DATE"},      {"resume", 0, nullptr},
    {"again", 0, nullptr},       {"load-file", 0, "KIND"},  {"custodian", 0, "NAME"},
    {"prefix", 0, "PREFIX"},     {"dedupe", 0, nullptr},    {"shard", 0, "K/N"},
    {"merge", 0, nullptr},       {"list", 'l', nullptr},    {"items", 0, nullptr},
    {"json", 0, nullptr},        {"quiet", 'q', nullptr},   {"verbose", 'v', nullptr},
    {"help", 'h', nullptr},      {"version", 'V', nullptr}, {"page-size", 0, "SIZE"},
    {"pdf-archive", 0, nullptr}, {"recover", 0, "WHAT"},    {"forensic", 0, nullptr},
};

// Options that choose what an export writes: with a listing they would be passed over unseen.
constexpr const char* kExportOnly[] = {"output", "folder",    "since",       "until",   "resume",
                                       "again",  "load-file", "custodian",   "prefix",  "dedupe",
                                       "shard",  "page-size", "pdf-archive", "recover", "forensic"};

// What a merge takes besides its directories and OUTDIR.
constexpr const char* kMergeTakes[] = {"merge", "output", "dedupe", "quiet", "verbose"};

const Option* longNamed(const std::string& name) {
    for (const Option& o : kOptions) {
        if (name == o.name) return &o;
    }
    return nullptr;
}

const Option* shortNamed(char letter) {
    for (const Option& o : kOptions) {
        if (o.letter != 0 && letter == o.letter) return &o;
    }
    return nullptr;
}

std::string inQuotes(const std::string& s) {
    return "'" + base::printable(s) + "'";
}

class Parser {
  public:
    explicit Parser(const std::vector<std::string>& args) : args_(args) {}

    CommandLine run() {
        if (scan() && !stopped_) result_.error = combinationProblem();
        return std::move(result_);
    }

  private:
    // Reads options and operands in order; false at the first that is wrong. --help and
    // --version end the reading there, as they do in GNU programs.
    bool scan() {
        for (std::size_t i = 0; i < args_.size() && !stopped_; ++i) {
            const std::string& arg = args_[i];
            if (arg == "--") {
                operands_.insert(operands_.end(), args_.begin() + i + 1, args_.end());
                break;
            }
            if (arg.rfind("--", 0) == 0) {
                if (!longOption(arg, i)) return false;
            } else if (arg.size() > 1 && arg[0] == '-') {
                if (!shortOptions(arg, i)) return false;
            } else {
                operands_.push_back(arg);  // "-" too: a file of that name
            }
        }
        return true;
    }

    bool longOption(const std::string& arg, std::size_t& i) {
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(2, equals == std::string::npos ? equals : equals - 2);
        const Option* option = longNamed(name);
        if (!option) return fail("unknown option " + inQuotes("--" + name));
        if (equals != std::string::npos) {
            if (!option->valueName)
                return fail("option " + inQuotes("--" + name) + " takes no value");
            return take(*option, arg.substr(equals + 1));
        }
        if (!option->valueName) return take(*option, {});
        if (i + 1 >= args_.size()) return missingValue("--" + name, *option);
        return take(*option, args_[++i]);
    }

    // "-lq", "-fmbox", "-f mbox": flags bundle; a letter that takes a value takes the rest of
    // the word, or else the next word.
    bool shortOptions(const std::string& arg, std::size_t& i) {
        for (std::size_t at = 1; at < arg.size(); ++at) {
            const Option* option = shortNamed(arg[at]);
            if (!option) return fail("unknown option " + inQuotes(std::string("-") + arg[at]));
            if (!option->valueName) {
                if (!take(*option, {})) return false;
                if (stopped_) return true;
                continue;
            }
            if (at + 1 < arg.size()) return take(*option, arg.substr(at + 1));
            if (i + 1 >= args_.size()) return missingValue(std::string("-") + arg[at], *option);
            return take(*option, args_[++i]);
        }
        return true;
    }

    bool take(const Option& option, const std::string& value) {
        const std::string name = option.name;
        seen_.insert(name);
        ExportOptions& o = result_.options;
        if (name == "format") o.format = value;
        if (name == "output") o.outputDirectory = value;
        if (name == "folder") o.folders.push_back(value);
        if (name == "since") o.since = value;
        if (name == "until") o.until = value;
        if (name == "resume") o.resume = true;
        if (name == "again") o.again = true;
        if (name == "recover") {
            if (value != "deleted") {
                return fail("--recover takes 'deleted', not " + inQuotes(value));
            }
            o.recoverDeleted = true;
        }
        // The preset for evidence: everything the file still holds.
        if (name == "forensic") o.recoverDeleted = o.forensic = true;
        if (name == "load-file") o.loadFile = value;
        if (name == "custodian") o.custodian = value;
        if (name == "prefix") o.prefix = value;
        if (name == "dedupe") o.dedupe = true;
        if (name == "shard") o.shard = value;
        if (name == "page-size") o.pageSize = value;
        if (name == "pdf-archive") o.pdfArchive = true;
        if (name == "list") result_.listKind = ListKind::Folders;
        if (name == "items") result_.listKind = ListKind::Items;
        if (name == "json") result_.json = true;
        if (name == "quiet") o.verbosity = Verbosity::Quiet;
        if (name == "verbose") o.verbosity = Verbosity::Verbose;
        if (name == "help" || name == "version") {
            result_.action =
                name == "help" ? CommandLine::Action::Help : CommandLine::Action::Version;
            stopped_ = true;
        }
        return true;
    }

    bool missingValue(const std::string& shown, const Option& option) {
        return fail("option " + inQuotes(shown) + " needs a value (" + option.valueName + ")");
    }

    bool fail(std::string why) {
        result_.error = std::move(why);
        return false;
    }

    bool seen(const char* name) const { return seen_.count(name) > 0; }

    // Why the options and operands read cannot go together; empty when they can.
    std::string combinationProblem() {
        if (seen("quiet") && seen("verbose")) return "--quiet and --verbose exclude each other";
        if (seen("list") && seen("items")) return "--list and --items exclude each other";
        if (seen("merge") && (seen("list") || seen("items"))) {
            return std::string("--merge and ") + (seen("list") ? "--list" : "--items") +
                   " exclude each other";
        }
        if (seen("list") || seen("items")) return listProblem(seen("list") ? "--list" : "--items");
        if (seen("merge")) return mergeProblem();
        return exportProblem();
    }

    // --merge DIR... OUTDIR, or --merge -o OUTDIR DIR...
    std::string mergeProblem() {
        result_.action = CommandLine::Action::Merge;
        for (const std::string& name : seen_) {
            if (std::find(std::begin(kMergeTakes), std::end(kMergeTakes), name) ==
                std::end(kMergeTakes)) {
                return "--" + name + " does not go with --merge";
            }
        }
        ExportOptions& o = result_.options;
        if (!seen("output")) {
            if (operands_.empty()) return "missing DIR and OUTDIR to merge into";
            o.outputDirectory = operands_.back();
            operands_.pop_back();
        }
        if (operands_.empty()) return "missing DIR to merge";
        if (o.outputDirectory.empty()) return "OUTDIR is an empty name";
        result_.mailboxes = operands_;
        return {};
    }

    std::string listProblem(const std::string& listing) {
        result_.action = CommandLine::Action::List;
        if (seen("format")) return "--format and " + listing + " exclude each other";
        for (const char* name : kExportOnly) {
            if (seen(name)) return "--" + std::string(name) + " goes with --format, not " + listing;
        }
        if (operands_.empty()) return "missing MAILBOX to list";
        result_.mailboxes = operands_;
        return {};
    }

    std::string exportProblem() {
        ExportOptions& o = result_.options;
        if (seen("json")) return "--json goes with --list or --items";
        if (args_.empty()) {
            return "nothing to do: export with --format FORMAT MAILBOX... OUTDIR, or list with "
                   "--list MAILBOX...";
        }
        if (!seen("format")) {
            return "missing --format FORMAT (" + formats::outputFormatNames() + ")";
        }
        // Without --output the last operand is the directory, as with cp and mv.
        if (!seen("output")) {
            if (operands_.empty()) return "missing MAILBOX and OUTDIR";
            if (operands_.size() == 1) return "missing OUTDIR after " + inQuotes(operands_.front());
            o.outputDirectory = operands_.back();
            operands_.pop_back();
        }
        if (operands_.empty()) return "missing MAILBOX";
        if (o.outputDirectory.empty()) return "OUTDIR is an empty name";
        result_.mailboxes = operands_;
        return optionsProblem(o);
    }

    const std::vector<std::string>& args_;
    std::vector<std::string> operands_;
    std::set<std::string> seen_;
    bool stopped_ = false;
    CommandLine result_;
};

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    return Parser(args).run();
}

}  // namespace pellmark::cli
