// pellmark-export: the command-line front end.

#include <cstring>
#include <iostream>
#include <string>

#include <unistd.h>

#include <vector>

#include "cli/ExportCommand.h"
#include "cli/ListCommand.h"

namespace {

const char* const kUsage =
    "Usage: pellmark-export --format FORMAT [--folder PATH]... [--resume | --again] FILE OUTDIR\n"
    "       pellmark-export --list FILE\n"
    "       pellmark-export --items FILE\n"
    "       pellmark-export --version\n"
    "\n"
    "Reads an Outlook data file (.pst or .ost).\n"
    "\n"
    "  --format FORMAT  exports every item of the chosen folders to OUTDIR/Converted Outlook "
    "PST/,\n"
    "                   one file per item, in directories that mirror the mailbox; FORMAT is msg,\n"
    "                   eml, txt, vcf (contact folders only), rtf, html (attachments written\n"
    "                   beside each page) or mht. Contact folders always give .vcf files.\n"
    "  --folder PATH    exports this folder (its path as --list prints it, e.g.\n"
    "                   '\\\\Personal Folders\\Inbox', or '\\\\Personal Folders' for the items\n"
    "                   of the top folder itself); repeat for more. Without it, every folder of\n"
    "                   a mail, contact, calendar, task, note or journal kind is exported, and\n"
    "                   the top folder when it holds items.\n"
    "                   Subfolders are exported only when named themselves.\n"
    "                   Items no folder lists any more (a damaged file) are recovered into\n"
    "                   OUTDIR/Converted Outlook PST/Recovered items/.\n"
    "                   OUTDIR/Converted Outlook PST/export-manifest.tsv lists every file\n"
    "                   written: entry id, folder, subject, file, size and SHA-256.\n"
    "  --resume         finishes an export into the same OUTDIR that ended early: the items\n"
    "                   its manifest lists as written whole are passed over, nothing is\n"
    "                   written twice\n"
    "  --again          writes the export again beside an earlier one in the same OUTDIR;\n"
    "                   without --resume or --again such an OUTDIR is refused\n"
    "  --list FILE      one line per folder: the folder's path, a TAB, the class of its\n"
    "                   items, a TAB, the number of items; the top folder first, then every\n"
    "                   folder below it, depth first, in the store's order\n"
    "  --items FILE     one line per item: the folder's path, its position in the folder\n"
    "                   (from 1), its message class, its subject, its number of attachments\n"
    "                   and the bytes of their data, separated by TABs\n"
    "  --version        prints the version\n"
    "\n"
    "Exit status: 0 when everything was read or written, 1 when parts of the file are damaged\n"
    "or items could not be written (each is named on standard error), 2 on bad usage or when\n"
    "the file cannot be read, 130 (Ctrl-C), 143 (kill) or 129 (terminal closed) when stopped\n"
    "by a signal: the items being written are finished, the summary says how far it came.\n"
    "\n"
    "Example:\n"
    "  pellmark-export --format eml mail.pst ~/Exported\n";

int exportCommand(int argc, char** argv) {
    pellmark::cli::ExportOptions options;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--format" || arg == "--folder") && i + 1 < argc) {
            (arg == "--format" ? options.format : options.folders.emplace_back()) = argv[++i];
        } else if (arg == "--resume" || arg == "--again") {
            (arg == "--resume" ? options.resume : options.again) = true;
        } else if (arg.rfind("--", 0) == 0) {
            std::cerr << "pellmark-export: unknown option " << arg << "\n\n" << kUsage;
            return 2;
        } else {
            positional.push_back(arg);
        }
    }
    if (options.format.empty() || positional.size() != 2) {
        std::cerr << kUsage;
        return 2;
    }
    options.file = positional[0];
    options.outputDirectory = positional[1];
    options.terminal = ::isatty(STDERR_FILENO) != 0;
    return pellmark::cli::runExport(options, std::cout, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
    using pellmark::cli::ListKind;
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::cout << kUsage;
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << "pellmark-export " << PELLMARK_VERSION << '\n';
        return 0;
    }
    if (argc == 3 &&
        (std::strcmp(argv[1], "--list") == 0 || std::strcmp(argv[1], "--items") == 0)) {
        const ListKind kind = argv[1][2] == 'l' ? ListKind::Folders : ListKind::Items;
        return pellmark::cli::runList(argv[2], kind, std::cout, std::cerr);
    }
    if (argc >= 2 && std::strcmp(argv[1], "--format") == 0) return exportCommand(argc, argv);
    std::cerr << kUsage;
    return 2;
}
