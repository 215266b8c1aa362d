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

const char* kindOf(fs::file_type type) {
    switch (type) {
        case fs::file_type::directory:
            return "a directory";
        case fs::file_type::fifo:
            return "a pipe (FIFO)";
        case fs::file_type::character:
        case fs::file_type::block:
            return "a device";
        case fs::file_type::socket:
            return "a socket";
        default:
            return "of another kind";
    }
}

// Why `entry`, named as a data file in a directory, cannot be exported; empty for a regular
// file or a link to one. Only its status is asked: opening a pipe could wait for ever.
std::string notAFile(const fs::directory_entry& entry) {
    std::error_code ec;
    const fs::file_status target = entry.status(ec);  // through a symbolic link
    if (fs::is_regular_file(target)) return {};
    if (ec && target.type() != fs::file_type::not_found) return ec.message();
    std::error_code linkError;
    if (!entry.is_symlink(linkError)) {
        return std::string("it is ") + kindOf(target.type()) + ", not a regular file";
    }
    const fs::path to = fs::read_symlink(entry.path(), linkError);
    const std::string shown = linkError ? std::string("?") : to.string();
    if (!fs::exists(target)) {
        return "it is a symbolic link to " + shown + ", which does not exist";
    }
    return "it is a symbolic link to " + std::string(kindOf(target.type())) + " (" + shown +
           "), not a regular file";
}

// The data files `inputs` stand for, in order, each once; directories give their .pst and
// .ost files in name order. What a directory names as a data file but is none (a pipe, a
// link to a device or to nothing) comes with its problem, so that it is named, not passed over.
std::vector<Mailbox> mailboxesOf(const std::vector<std::string>& inputs) {
    std::vector<Mailbox> out;
    std::set<fs::path> seen;
    auto add = [&](const fs::path& file, const std::string& problem) {
        std::error_code ec;
        fs::path key = problem.empty() ? fs::weakly_canonical(file, ec) : file;
        if (ec) key = file;
        if (seen.insert(key).second) out.push_back({file.string(), {}, problem});
    };
    for (const std::string& input : inputs) {
        std::error_code ec;
        if (!fs::is_directory(input, ec)) {
            add(input, {});
            continue;
        }
        std::vector<std::pair<fs::path, std::string>> found;
        for (fs::directory_iterator it(input, ec), end; !ec && it != end; it.increment(ec)) {
            if (isDataFile(it->path())) found.emplace_back(it->path(), notAFile(*it));
        }
        std::sort(found.begin(), found.end());
        if (found.empty()) {
            out.push_back({input, {}, ec ? ec.message() : "no .pst or .ost file in it"});
        }
        for (const auto& [file, problem] : found) add(file, problem);
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
