// Many mailboxes in one run: each exported as runExport would, into its own directory, then
// one summary of all.

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <set>

#include "base/AsciiCase.h"
#include "base/Printable.h"
#include "cli/ExportCommand.h"
#include "cli/StopSignals.h"
#include "export/OutputNaming.h"

namespace pellmark::cli {
namespace {

namespace fs = std::filesystem;

bool isDataFile(const fs::path& path) {
    const std::string ext = path.extension().string();
    return base::equalsNoCase(ext, ".pst") || base::equalsNoCase(ext, ".ost");
}

struct Mailbox {
    std::string file;       // as given, or found in a directory given
    std::string directory;  // its output directory; empty for a single file
    std::string problem;    // why it cannot be exported at all
};

// The data files `inputs` stand for, in order, each once; directories give their .pst and
// .ost files in name order.
std::vector<Mailbox> mailboxesOf(const std::vector<std::string>& inputs) {
    std::vector<Mailbox> out;
    std::set<fs::path> seen;
    auto add = [&](const fs::path& file) {
        std::error_code ec;
        fs::path key = fs::weakly_canonical(file, ec);
        if (ec) key = file;
        if (seen.insert(key).second) out.push_back({file.string(), {}, {}});
    };
    for (const std::string& input : inputs) {
        std::error_code ec;
        if (!fs::is_directory(input, ec)) {
            add(input);
            continue;
        }
        std::vector<fs::path> found;
        for (fs::directory_iterator it(input, ec), end; !ec && it != end; it.increment(ec)) {
            if (it->is_regular_file(ec) && isDataFile(it->path())) found.push_back(it->path());
        }
        std::sort(found.begin(), found.end());
        if (found.empty()) {
            out.push_back({input, {}, ec ? ec.message() : "no .pst or .ost file in it"});
        }
        for (const auto& f : found) add(f);
    }
    return out;
}

// Output directories named after the files: "mail", then "mail (2)" for another mail.pst.
void chooseDirectories(std::vector<Mailbox>& mailboxes, const std::string& outputDirectory) {
    std::set<std::string> taken;
    for (Mailbox& m : mailboxes) {
        const std::string stem = exporting::safeDirectoryName(fs::path(m.file).stem().string());
        std::string name = stem;
        for (int copy = 2; !taken.insert(name).second; ++copy) {
            name = stem + " (" + std::to_string(copy) + ")";
        }
        m.directory = (fs::path(outputDirectory) / name).string();
    }
}

}  // namespace

int runExports(const ExportOptions& options, const std::vector<std::string>& inputs,
               std::ostream& out, std::ostream& err) {
    std::error_code ec;
    if (inputs.size() == 1 && !fs::is_directory(inputs.front(), ec)) {
        ExportOptions one = options;
        one.file = inputs.front();
        return runExport(one, out, err);
    }
    std::vector<Mailbox> mailboxes = mailboxesOf(inputs);
    chooseDirectories(mailboxes, options.outputDirectory);
    std::vector<MailboxResult> results(mailboxes.size());
    int worst = 0;
    std::size_t started = 0;
    for (std::size_t i = 0; i < mailboxes.size(); ++i) {
        started = i + 1;
        const Mailbox& m = mailboxes[i];
        err << "mailbox " << i + 1 << "/" << mailboxes.size() << ": " << base::printable(m.file)
            << '\n';
        out << "== " << base::printable(m.file) << '\n';
        if (!m.problem.empty()) {
            err << "pellmark-export: " << base::printable(m.file) << ": " << m.problem << '\n';
            out << "not exported: " << m.problem << '\n';
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
            << countsLine(r.summary, r.summary.folders, r.seconds) << '\n';
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
