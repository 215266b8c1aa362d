// Many mailboxes in one run: each exported as runExport would, into its own directory, then
// one summary of all.

#include <algorithm>
#include <filesystem>
#include <optional>
#include <ostream>
#include <set>
#include <system_error>

#include "base/Printable.h"
#include "cli/ExportCommand.h"
#include "cli/MailboxInputs.h"
#include "cli/Merge.h"
#include "cli/StopSignals.h"
#include "export/FolderOutput.h"
#include "export/OutputNaming.h"
#include "export/Production.h"

namespace pellmark::cli {
namespace {

namespace fs = std::filesystem;

struct Mailbox {
    std::string file;       // as given, or found in a directory given
    std::string directory;  // its output directory
    std::string problem;    // why it cannot be exported at all
    std::string shardKey;
};

// Output directories named after the files: "mail", then "mail (2)" for another mail.pst.
std::vector<Mailbox> chooseDirectories(const std::vector<MailboxInput>& inputs,
                                       const std::string& outputDirectory) {
    std::vector<Mailbox> mailboxes;
    std::set<std::string> taken;
    for (const MailboxInput& input : inputs) {
        Mailbox& m = mailboxes.emplace_back(Mailbox{input.file, {}, input.problem, input.shardKey});
        // A directory of .msg files is named as it is, a data file without its extension.
        const std::string stem = exporting::safeDirectoryName(mailboxName(m.file));
        std::string name = stem;
        for (int copy = 2; !taken.insert(name).second; ++copy) {
            name = stem + " (" + std::to_string(copy) + ")";
        }
        m.directory = (fs::path(outputDirectory) / name).string();
    }
    return mailboxes;
}

// The mailboxes of shard K of N. Their directories are chosen among all mailboxes first, so
// that every shard names a mailbox alike, and shards may share one OUTDIR.
std::vector<Mailbox> shardOf(std::vector<Mailbox> all, std::pair<int, int> shard,
                             const ExportOptions& options, std::ostream& err) {
    std::vector<Mailbox> taken;
    for (Mailbox& m : all) {
        if (exporting::shardOf(m.shardKey, shard.second) == shard.first) {
            taken.push_back(std::move(m));
        }
    }
    if (options.verbosity != Verbosity::Quiet) {
        err << "shard " << shard.first << " of " << shard.second << ": " << taken.size() << " of "
            << all.size() << " mailboxes\n";
    }
    return taken;
}

// The load file of all mailboxes of the run, in its OUTDIR.
void writeRunLoadFile(const ExportOptions& options, const std::vector<Mailbox>& mailboxes,
                      const std::vector<MailboxResult>& results, std::size_t started,
                      std::ostream& out) {
    std::vector<std::string> roots;
    for (std::size_t i = 0; i < started; ++i) {
        if (results[i].status < 2)
            roots.push_back(exporting::exportRootFor(mailboxes[i].directory));
    }
    const auto shard = parseShard(options.shard).value_or(std::pair{0, 0});
    const std::string path =
        (fs::path(options.outputDirectory) / runLoadFileName(shard.first, shard.second)).string();
    std::size_t rows = 0;
    fs::create_directories(options.outputDirectory);
    const std::vector<std::string> problems = writeCombinedLoadFile(roots, path, rows);
    if (!problems.empty()) throw exporting::WriteError(problems.front());
    out << "Load file of all mailboxes: " << base::printable(path) << " (" << rows
        << " documents)\n";
}

// What a shard leaves for the merge: which mailboxes it exported, and whether it got to its end.
void writeShardRecord(const ExportOptions& options, const std::vector<Mailbox>& mailboxes,
                      const std::vector<MailboxResult>& results, std::size_t started,
                      std::size_t all) {
    const auto shard = parseShard(options.shard);
    ShardRecord record;
    record.shard = shard->first;
    record.shards = shard->second;
    record.mailboxesInRun = static_cast<int64_t>(all);
    record.finished =
        started == mailboxes.size() && (started == 0 || !results[started - 1].summary.stopped);
    for (std::size_t i = 0; i < started; ++i) {
        record.mailboxes.push_back({fs::path(mailboxes[i].directory).filename().string(),
                                    mailboxes[i].problem.empty() ? results[i].status : 2,
                                    mailboxes[i].file});
    }
    fs::create_directories(options.outputDirectory);
    record.write(options.outputDirectory);
}

}  // namespace

int runExports(const ExportOptions& options, const std::vector<std::string>& inputs,
               std::ostream& out, std::ostream& err) {
    // The mailboxes of one run share their document ids and what was written.
    std::optional<exporting::Production> production;
    ExportOptions shared = options;
    if (const auto p = productionOf(options)) shared.production = &production.emplace(*p);
    if (!standsForMany(inputs) && options.shard.empty()) {
        ExportOptions one = shared;
        one.file = inputs.front();
        return runExport(one, out, err);
    }
    std::vector<Mailbox> mailboxes =
        chooseDirectories(mailboxesOf(inputs), options.outputDirectory);
    const std::size_t all = mailboxes.size();
    const auto shard = parseShard(options.shard);
    if (shard) mailboxes = shardOf(std::move(mailboxes), *shard, options, err);
    // No document id is handed out again that an earlier run of any of them gave.
    if (production) {
        for (const Mailbox& m : mailboxes) {
            production->passOverExport(exporting::exportRootFor(m.directory));
        }
    }
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
        ExportOptions one = shared;
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
        total.copiesLeftOut += r.summary.copiesLeftOut;
        total.bytesWritten += r.summary.bytesWritten;
        folders += r.summary.folders;
        seconds += r.seconds;
    }
    for (std::size_t i = started; i < mailboxes.size(); ++i) {
        out << "  NOT STARTED  " << base::printable(mailboxes[i].file) << '\n';
    }
    try {
        if (!options.loadFile.empty()) {
            writeRunLoadFile(options, mailboxes, results, started, out);
        }
        if (shard) writeShardRecord(options, mailboxes, results, started, all);
    } catch (const std::exception& e) {
        err << "pellmark-export: " << base::printable(e.what()) << '\n';
        worst = std::max(worst, 1);
    }
    out << "Total: " << countsLine(total, folders, seconds) << "; exit status " << worst << '\n';
    return worst;
}

}  // namespace pellmark::cli
