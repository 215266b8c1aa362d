#include "cli/ExportCommand.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <tuple>

#include "base/AsciiCase.h"
#include "base/Printable.h"
#include "cli/OpenMailbox.h"
#include "cli/StopSignals.h"
#include "cli/TerminalProgress.h"
#include "export/ConversionRun.h"
#include "export/DateRange.h"
#include "export/FolderSelection.h"
#include "export/Manifest.h"
#include "export/OutputNaming.h"
#include "formats/OutputFormats.h"
#include "pststore/PstSession.h"
#include "store/FolderRef.h"
#include "store/FolderWalk.h"

namespace pellmark::cli {

namespace {

std::string humanBytes(uint64_t bytes) {
    char buf[32];
    if (bytes >= (1u << 30))
        std::snprintf(buf, sizeof buf, "%.1f GB", bytes / double(1u << 30));
    else if (bytes >= (1u << 20))
        std::snprintf(buf, sizeof buf, "%.1f MB", bytes / double(1u << 20));
    else
        std::snprintf(buf, sizeof buf, "%.1f KB", bytes / 1024.0);
    return buf;
}

// A folder named by --folder: by its path, or by the path as --list prints it (backslashes
// doubled, control characters escaped).
const exporting::ExportableFolder* folderNamed(
    const std::vector<exporting::ExportableFolder>& folders, const std::string& wanted) {
    for (const auto& f : folders) {
        if (f.ref.path == wanted) return &f;
    }
    for (const auto& f : folders) {
        if (base::printableField(f.ref.path) == wanted) return &f;
    }
    return nullptr;
}

}  // namespace

std::string mailboxName(const std::string& file) {
    const std::filesystem::path path = std::filesystem::path(file).lexically_normal();
    const std::filesystem::path named = path.filename().empty() ? path.parent_path() : path;
    std::error_code ec;
    return std::filesystem::is_directory(named, ec) ? named.filename().string()
                                                    : named.stem().string();
}

std::string countsLine(const exporting::RunSummary& summary, int64_t folders, double seconds) {
    char time[32];
    std::snprintf(time, sizeof time, "%.1f s", seconds);
    std::string line = std::to_string(summary.itemsWritten) + " items written, " +
                       std::to_string(summary.itemsFailed) + " failed, " +
                       std::to_string(summary.itemsSkipped) + " skipped (distribution lists";
    if (summary.itemsOutsideDates > 0) {
        line += ", " + std::to_string(summary.itemsOutsideDates) + " messages outside the dates";
    }
    if (summary.copiesLeftOut > 0) {
        line += ", " + std::to_string(summary.copiesLeftOut) + " copies of items written before";
    }
    return line + "), " + std::to_string(folders) + " folders, " +
           humanBytes(summary.bytesWritten) + " in " + time;
}

// The dates of --since and --until; --until takes in the whole day it names. Sets `why` when
// they are no dates or make an empty range.
exporting::DateRange datesOf(const ExportOptions& options, std::string& why) {
    exporting::DateRange dates;
    for (auto [text, option, bound] : {std::tuple{&options.since, "--since", &dates.from},
                                       std::tuple{&options.until, "--until", &dates.until}}) {
        if (text->empty()) continue;
        *bound = exporting::startOfDay(*text);
        if (!*bound) {
            why = std::string(option) + " wants a date as YYYY-MM-DD, not '" +
                  base::printable(*text) + "'";
            return dates;
        }
    }
    if (dates.until) *dates.until += std::chrono::days(1);
    if (dates.from && dates.until && *dates.from >= *dates.until) {
        why = "--since " + options.since + " is after --until " + options.until;
    }
    return dates;
}

std::optional<std::pair<int, int>> parseShard(const std::string& text) {
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos) return std::nullopt;
    auto number = [](const std::string& digits) -> std::optional<int> {
        if (digits.empty() || digits.size() > 6 ||
            digits.find_first_not_of("0123456789") != std::string::npos) {
            return std::nullopt;
        }
        return std::stoi(digits);
    };
    const auto k = number(text.substr(0, slash));
    const auto n = number(text.substr(slash + 1));
    if (!k || !n || *k < 1 || *k > *n) return std::nullopt;
    return std::pair{*k, *n};
}

// A document id's prefix: letters, digits, '_', '-' and '.', as review platforms take them.
bool goodPrefix(const std::string& prefix) {
    return !prefix.empty() && prefix.size() <= 32 &&
           prefix.find_first_not_of(
               "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
               "0123456789_-.") == std::string::npos;
}

std::optional<exporting::ProductionOptions> productionOf(const ExportOptions& options) {
    if (options.loadFile.empty() && !options.dedupe) return std::nullopt;
    exporting::ProductionOptions p;
    p.loadFile = !options.loadFile.empty();
    p.dedupe = options.dedupe;
    if (!options.prefix.empty()) p.prefix = options.prefix;
    if (const auto shard = parseShard(options.shard)) std::tie(p.shard, p.shards) = *shard;
    return p;
}

// Why the options of an export for review cannot go together; empty when they can.
std::string reviewProblem(const ExportOptions& options, const formats::OutputFormat& format) {
    if (!options.loadFile.empty() && !base::equalsNoCase(options.loadFile, "dat")) {
        return "unknown load file '" + base::printable(options.loadFile) + "' (dat)";
    }
    if (!options.loadFile.empty() &&
        (format.container != formats::Container::Files || format.save == store::SaveFormat::Ics)) {
        return "--load-file lists a file per item and per attachment; " +
               base::printable(options.format) + " writes items into shared files";
    }
    const bool review = !options.loadFile.empty() || options.dedupe;
    if (!review && !options.prefix.empty()) return "--prefix goes with --load-file or --dedupe";
    if (!review && !options.custodian.empty()) {
        return "--custodian goes with --load-file or --dedupe";
    }
    if (review && !options.prefix.empty() && !goodPrefix(options.prefix)) {
        return "--prefix wants up to 32 letters, digits, '_', '-' or '.', not '" +
               base::printable(options.prefix) + "'";
    }
    if (!options.shard.empty() && !parseShard(options.shard)) {
        return "--shard wants K/N, the shard K of N (1 <= K <= N), not '" +
               base::printable(options.shard) + "'";
    }
    return {};
}

std::string optionsProblem(const ExportOptions& options) {
    const formats::OutputFormat* format = formats::outputFormatNamed(options.format);
    if (!format) {
        return "unknown format '" + base::printable(options.format) + "' (" +
               formats::outputFormatNames() + ")";
    }
    if (std::string why = reviewProblem(options, *format); !why.empty()) return why;
    std::string why;
    datesOf(options, why);
    if (!why.empty()) return why;
    if (options.resume && options.again) return "--resume and --again exclude each other";
    const bool pdf = base::equalsNoCase(options.format, "pdf");
    if (!options.pageSize.empty() && !pdf) return "--page-size goes with --format pdf";
    if (options.pdfArchive && !pdf) return "--pdf-archive goes with --format pdf";
    if (!options.pageSize.empty() && !base::equalsNoCase(options.pageSize, "a4") &&
        !base::equalsNoCase(options.pageSize, "letter")) {
        return "unknown page size '" + base::printable(options.pageSize) + "' (a4 or letter)";
    }
    if (options.resume && base::equalsNoCase(options.format, "mbox")) {
        return "--resume cannot finish an mbox export: each folder is one mbox file, which "
               "a second run would have to write into; --again writes the export again "
               "beside the first";
    }
    return {};
}

// A run that could not start, in the terms of the command line's options.
std::string whyNotStarted(const exporting::PrepareError& e) {
    using Why = exporting::PrepareError::Why;
    const std::string what = e.what();
    switch (e.why()) {
        case Why::HoldsAnExport:
            return what + "; --resume finishes it, passing over the items " +
                   exporting::Manifest::kFileName + " lists as written whole, and --again " +
                   "writes it again beside the first";
        case Why::NothingToResume:
        case Why::AnotherExport:
            return what +
                   "; --again writes the export beside what is there, or choose another "
                   "OUTDIR";
        default:
            return what;
    }
}

int runExport(const ExportOptions& options, std::ostream& out, std::ostream& err) {
    return exportMailbox(options, out, err).status;
}

MailboxResult exportMailbox(const ExportOptions& options, std::ostream& out, std::ostream& err) {
    MailboxResult result;
    if (const std::string why = optionsProblem(options); !why.empty()) {
        err << "pellmark-export: " << why << '\n';
        return result;
    }
    // Both were checked just above.
    const formats::OutputFormat* format = formats::outputFormatNamed(options.format);
    std::string checked;
    const exporting::DateRange dates = datesOf(options, checked);
    // The command line exports the file it is given; the configured mailboxes play no part.
    pststore::PstSessionFactory sessions(pststore::PstSessionFactory::kNoProfile);
    std::unique_ptr<store::Store> store;
    std::vector<exporting::ExportableFolder> folders;
    std::vector<store::UnreadFolder> unreadFolders;
    try {
        store = openMailbox(options.file);
        folders = exporting::exportableFolders(*store, unreadFolders);
    } catch (const store::StoreError& e) {
        err << "pellmark-export: " << base::printable(options.file) << ": "
            << base::printable(e.what()) << '\n';
        return result;
    }

    exporting::RunRequest request;
    request.storeId = store->entryId();
    request.mailbox = store.get();  // opened once: the run does not look for it again
    request.outputDirectory = options.outputDirectory;
    request.format = format->save;
    request.layout = format->container;
    // The outputs for address books and for other mail programs keep distribution lists.
    request.distributionListsAsGroups = format->save == store::SaveFormat::Vcf ||
                                        format->save == store::SaveFormat::Ics ||
                                        format->container != formats::Container::Files;
    request.dates = dates;
    request.recoverDeleted = options.recoverDeleted;
    request.forensic = options.forensic;
    request.selection.unreadFolders = unreadFolders;
    // A mailbox exported on its own still makes a production of one.
    std::optional<exporting::Production> own;
    request.production = options.production;
    if (!request.production) {
        if (const auto production = productionOf(options)) {
            request.production = &own.emplace(*production);
        }
    }
    request.custodian = options.custodian.empty() ? mailboxName(options.file) : options.custodian;
    request.earlier = options.resume  ? exporting::EarlierExport::Resume
                      : options.again ? exporting::EarlierExport::WriteBeside
                                      : exporting::EarlierExport::Refuse;
    int64_t total = 0;
    auto choose = [&](const exporting::ExportableFolder& f) {
        request.selection.folders.push_back(f.ref);
        total += f.items;
    };
    if (options.folders.empty()) {
        for (const auto& f : folders) {
            if (f.exportedByDefault) choose(f);
        }
    } else {
        for (const auto& wanted : options.folders) {
            const exporting::ExportableFolder* named = folderNamed(folders, wanted);
            if (!named) {
                err << "pellmark-export: no folder " << base::printable(wanted) << " in "
                    << base::printable(options.file)
                    << " (pellmark-export --list FILE shows the folder paths)\n";
                return result;
            }
            choose(*named);
        }
    }

    TerminalProgress progress(err, total, options.terminal, options.verbosity);
    exporting::ConversionRun run(sessions, std::move(request), progress);
    // The program's signal handlers (StopSignals, installed by main for the whole run) set it.
    run.setStopFlag(&StopSignals::requested());
    const auto start = std::chrono::steady_clock::now();
    exporting::RunSummary& summary = result.summary;
    try {
        summary = run.run();
    } catch (const exporting::PrepareError& e) {
        progress.finish();
        err << "pellmark-export: " << base::printable(whyNotStarted(e)) << '\n';
        return result;
    }
    progress.finish();
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    out << countsLine(summary, summary.folders, result.seconds) << '\n';
    if (summary.itemsRecovered > 0) {
        out << summary.itemsRecovered << " of them no folder listed any more; recovered into "
            << base::printable(summary.exportRoot) << exporting::kRecoveredItems << "/\n";
    }
    if (options.recoverDeleted) {
        out << summary.deletedRecovered
            << " deleted items and earlier versions of items recovered into "
            << base::printable(summary.exportRoot) << exporting::kRecoveredItems << '/'
            << exporting::kDeletedItems << "/ (the manifest says how each was found)";
        if (summary.deletedOverwritten > 0) {
            out << "; " << summary.deletedOverwritten
                << " more were found whose remains are overwritten";
        }
        out << '\n';
    }
    if (summary.itemsOfOtherKinds > 0) {
        out << summary.itemsOfOtherKinds
            << (base::equalsNoCase(options.format, "ics")
                    ? " items of folders that are not calendar, task or journal folders were "
                      "passed over (ics writes those only):"
                    : " items of folders that are not contact folders were passed over (vcf "
                      "writes contacts only):");
        for (const auto& f : summary.foldersOfOtherKinds) out << ' ' << base::printable(f) << ';';
        out << '\n';
    }
    if (!summary.itemsWrittenInPart.empty()) {
        out << summary.itemsWrittenInPart.size()
            << " items were written without what their format cannot hold of them:\n";
        for (const auto& i : summary.itemsWrittenInPart) out << "  " << base::printable(i) << '\n';
    }
    if (summary.copiesLeftOut > 0) {
        out << summary.copiesLeftOut
            << " items were copies of items written before and were not written again; "
               "the manifest"
            << (options.loadFile.empty() ? "" : " and the load file")
            << " list each with the document it duplicates\n";
    }
    if (summary.itemsAlreadyExported > 0) {
        out << summary.itemsAlreadyExported << " items were written whole before and passed over\n";
    }
    out << "Output: " << base::printable(summary.exportRoot) << '\n';
    for (const auto& d : summary.damage) out << "Damaged file: " << base::printable(d) << '\n';
    for (const auto& f : summary.failedFolders)
        out << "Failures in: " << base::printable(f) << '\n';
    if (summary.stopped) {
        out << "Stopped by a signal before the end; "
            << (request.layout == exporting::MailboxLayout::Mbox
                    ? "--again writes the export again beside it\n"
                    : "--resume finishes the export\n");
        result.status = 128 + StopSignals::signal();
        return result;
    }
    result.status = summary.succeeded() ? 0 : 1;
    return result;
}

}  // namespace pellmark::cli
