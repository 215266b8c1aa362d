#pragma once
// `pellmark-export --format FMT [--folder PATH]... FILE... OUTDIR`: the conversion run of the
// desktop program, driven from the command line, with the same naming, attachment handling and
// result tree under OUTDIR/Converted Outlook PST/; also into mail programs' mailboxes (mbox,
// Maildir) and for many mailboxes in one run.

#include <iosfwd>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/TerminalProgress.h"
#include "export/Production.h"
#include "export/RunSummary.h"

namespace pellmark::cli {

struct ExportOptions {
    std::string format;                // msg, eml, txt, vcf, rtf, html, mht, mbox, maildir
    std::vector<std::string> folders;  // folderPath values; empty: every folder the tree shows
    std::string file;
    std::string outputDirectory;
    bool terminal = false;  // draw a progress bar instead of plain lines
    // An export root that already holds an export is refused unless one of these is given:
    // finish it, passing over the items its manifest lists as written whole, or write the
    // export again beside it.
    bool resume = false;
    bool again = false;
    // ISO dates (YYYY-MM-DD, UTC): messages before `since` or after the day `until` are
    // passed over; empty: no limit.
    std::string since = {};
    std::string until = {};
    Verbosity verbosity = Verbosity::Normal;
    // Also what the file still holds of deleted items and of replaced versions of its items
    // (--recover deleted, and --forensic).
    bool recoverDeleted = false;
    // --forensic: also .msg files with every string as stored, and contacts as .msg files.
    bool forensic = false;
    // For review: a load file ("dat") beside the export, the custodian its documents are
    // listed under (empty: the mailbox's file name without its extension), the prefix of the
    // document ids (empty: DOC), copies of messages left out, and the shard of the many
    // mailboxes this run takes ("K/N"; empty: all of them).
    std::string loadFile = {};
    std::string custodian = {};
    std::string prefix = {};
    bool dedupe = false;
    std::string shard = {};
    // Set by runExports for each mailbox of an export for review: what they share.
    exporting::Production* production = nullptr;
    // With the pdf format: "a4" or "letter" (empty: the locale's paper), and PDF/A-3b.
    std::string pageSize = {};
    bool pdfArchive = false;
};

// "K/N" with 1 <= K <= N, as --shard takes it; nullopt for anything else.
std::optional<std::pair<int, int>> parseShard(const std::string& text);

// The production `options` ask for (load file, dedupe, prefix, shard); nullopt for a plain
// export. `options` are assumed checked.
std::optional<exporting::ProductionOptions> productionOf(const ExportOptions& options);

// Why `options` cannot make an export (an unknown format, a date that is none, options that
// exclude each other), in one line; empty when they can. Nothing is read for it, so the
// command line asks before it opens any mailbox.
std::string optionsProblem(const ExportOptions& options);

// Returns the exit status: 0 when everything was written, 1 when anything failed, 2 on bad
// usage or a file that cannot be read, 128 + the signal's number when a signal stopped it.
int runExport(const ExportOptions& options, std::ostream& out, std::ostream& err);

// What one mailbox's export came to: the exit status as runExport returns it, what the run
// did (empty when it could not start) and how long it took.
struct MailboxResult {
    int status = 2;
    exporting::RunSummary summary;
    double seconds = 0;
};
MailboxResult exportMailbox(const ExportOptions& options, std::ostream& out, std::ostream& err);
// What a mailbox is called: its file's name without the extension, a directory's name.
std::string mailboxName(const std::string& file);
// "N items written, M failed, ..., F folders, SIZE in T s": a run's counts on one line.
std::string countsLine(const exporting::RunSummary& summary, int64_t folders, double seconds);

// Exports every mailbox of `inputs` (data files, and directories standing for every .pst and
// .ost file in them) with `options`, each into a directory of its own below
// options.outputDirectory named after its file ("mail", "mail (2)" for a second mail.pst),
// then prints one summary. A single file exports straight into options.outputDirectory, as
// runExport does. Returns the worst exit status of the mailboxes.
int runExports(const ExportOptions& options, const std::vector<std::string>& inputs,
               std::ostream& out, std::ostream& err);

// Merges the exports in `directories` (each an OUTDIR of an export: its own export root and
// those of its many mailboxes) into one manifest and one load file in `outputDirectory`, their
// paths relative to it; every shard of a split run must be there, finished, and no document id
// twice. With `dedupe`, an item of one export that another export before it holds too is
// listed in the load file as a copy of it. Returns the exit status.
int runMerge(const std::vector<std::string>& directories, const std::string& outputDirectory,
             bool dedupe, std::ostream& out, std::ostream& err);

}  // namespace pellmark::cli
