// Many mailboxes in one run: each exported as runExport would, into its own directory, then
// one summary of all.

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <set>
#include <system_error>

#include "base/Printable.h"
#include "cli/ExportCommand.h"
#include "cli/MailboxInputs.h"
#include "cli/StopSignals.h"
#include "export/OutputNaming.h"

namespace pellmark::cli {
namespace {

namespace fs = std::filesystem;

struct Mailbox {
    std::string file;       // as given, or found in a directory given
    std::string directory;  // its output directory
    std::string problem;    // why it cannot be exported at all
};

// Output directories named after the files: "mail", then "mail (2)" for another mail.pst.
std::vector<Mailbox> chooseDirectories(const std::vector<MailboxInput>& inputs,
                                       const std::string& outputDirectory) {
    std::vector<Mailbox> mailboxes;
    std::set<std::string> taken;
    for (const MailboxInput& input : inputs) {
        Mailbox& m = mailboxes.emplace_back(Mailbox{input.file, {}, input.problem});
        // A directory of .msg files is named as it is, a data file without its extension.
        std::error_code ec;
        const fs::path path = fs::path(m.file).lexically_normal();
        const fs::path named = path.filename().empty() ? path.parent_path() : path;
        const std::string stem = exporting::safeDirectoryName(
            fs::is_directory(named, ec) ? named.filename().string() : named.stem().string());
        std::string name = stem;
        for (int copy = 2; !taken.insert(name).second; ++copy) {
            name = stem + " (" + std::to_string(copy) + ")";
        }
        m.directory = (fs::path(outputDirectory) / name).string();
    }
    return mailboxes;
}

}  // namespace

int runExports(const ExportOptions& options, const std::vector<std::string>& inputs,
               std::ostream& out, std::ostream& err) {
    if (!standsForMany(inputs)) {
        ExportOptions one = options;
        one.file = inputs.front();
        return runExport(one, out, err);
    }
    const std::vector<Mailbox> mailboxes =
        chooseDirectories(mailboxesOf(inputs), options.outputDirectory);
    std::vector<MailboxResult> results(mailboxes.size());
    int worst = 0;
    std::size_t started = 0;
    for (std::size_t i = 0; i < mailboxes.size(); ++i) {
        started = i + 1;
        const Mailbox& m = mailboxes[i];
        if (options.verbosity != Verbosity::Quiet) {
            err << "mailbox " << i + 1 << "/" << mailboxes.size() << ": " << base::printable(m.file)
                << '\n';
        }
        out << "== " << base::printable(m.file) << '\n';
        if (!m.problem.empty()) {
            err << "pellmark-export: " << base::printable(m.file) << ": "
                << base::printable(m.problem) << '\n';
            out << "not exported: " << base::printable(m.problem) << '\n';
            worst = std::max(worst, 2);
            continue;
        }
        ExportOptions one = options;
        one.file = m.file;
        one.outputDirectory = m.directory;
        results[i] = exportMailbox(one, out, err);
        if (results[i].status == 2) out << "not exported (see the messages above)\n";
        worst = std::max(worst, results[i].status);
        if (results[i].summary.stopped) break;  // the signal asks the whole run to stop
    }
    exporting::RunSummary total;
    int64_t folders = 0;
    double seconds = 0;
    out << "\nSummary of " << mailboxes.size() << " mailboxes:\n";
    for (std::size_t i = 0; i < started; ++i) {
        const MailboxResult& r = results[i];
        const char* state = r.status == 0 ? "ok" : r.status == 1 ? "FAILURES" : "NOT EXPORTED";
        if (r.status > 2) state = "STOPPED";
        out << "  " << state << "  " << base::printable(mailboxes[i].file) << ": "
            << (mailboxes[i].problem.empty() ? countsLine(r.summary, r.summary.folders, r.seconds)
                                             : base::printable(mailboxes[i].problem))
            << '\n';
        total.itemsWritten += r.summary.itemsWritten;
        total.itemsFailed += r.summary.itemsFailed;
        total.itemsSkipped += r.summary.itemsSkipped;
        total.itemsOutsideDates += r.summary.itemsOutsideDates;
        total.bytesWritten += r.summary.bytesWritten;
        folders += r.summary.folders;
        seconds += r.seconds;
    }
    for (std::size_t i = started; i < mailboxes.size(); ++i) {
        out << "  NOT STARTED  " << base::printable(mailboxes[i].file) << '\n';
    }
    out << "Total: " << countsLine(total, folders, seconds) << "; exit status " << worst << '\n';
    return worst;
}

}  // namespace pellmark::cli
