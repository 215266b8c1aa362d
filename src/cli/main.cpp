// pellmark-export: the command-line front end.

#include <unistd.h>

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "cli/ExportCommand.h"
#include "cli/ListCommand.h"

namespace {

// The man page (pellmark-export.1) and the bash completion (pellmark-export.bash) beside it name
// every option this text names; a test holds them to it.
const char* const kUsage =
    "Usage: pellmark-export --format FORMAT [OPTION]... MAILBOX... OUTDIR\n"
    "       pellmark-export --list [--json] MAILBOX...\n"
    "       pellmark-export --items [--json] MAILBOX...\n"
    "       pellmark-export --help | --version\n"
    "\n"
    "Reads Outlook data files (.pst or .ost). A MAILBOX is a data file, or a directory\n"
    "standing for every .pst and .ost file in it.\n"
    "\n"
    "  --format FORMAT  exports every item of the chosen folders below\n"
    "                   OUTDIR/Converted Outlook PST/.\n"
    "                   msg, eml, txt, vcf (contact folders only), rtf, html (attachments\n"
    "                   written beside each page) and mht write one file per item, in\n"
    "                   directories that mirror the mailbox.\n"
    "                   mbox writes one mbox file (mboxrd) per folder, named after it, with its\n"
    "                   subfolders in NAME.sbd/ beside it: Thunderbird's layout (copy a store's\n"
    "                   directory in as Local Folders), also read by mutt and Apple Mail.\n"
    "                   maildir writes a Maildir++ tree per store for an IMAP server: the\n"
    "                   Inbox is the tree's INBOX, other folders .Parent.Child (IMAP UTF-7\n"
    "                   names, '.' written \\2e as Dovecot's listescape reads it, '/' as '_',\n"
    "                   names cut to fit one directory entry with a ~ mark of the whole);\n"
    "                   forwarded is the flag P and the keyword $Forwarded of the folder's\n"
    "                   dovecot-keywords file.\n"
    "                   Both keep read, flagged, replied and forwarded and the delivery time;\n"
    "                   each message is what the eml format writes. Contacts are always\n"
    "                   written as .vcf files (with mbox and maildir below vCards/).\n"
    "  --folder PATH    exports this folder: its path, e.g. '\\\\Personal Folders\\Inbox', or\n"
    "                   '\\\\Personal Folders' for the items of the top folder itself, or the\n"
    "                   path as --list prints it; repeat for more. Without it, every folder of\n"
    "                   a mail, contact, calendar, task, note or journal kind is exported, and\n"
    "                   the top folder when it holds items.\n"
    "                   Subfolders are exported only when named themselves.\n"
    "                   Items no folder lists any more (a damaged file) are recovered into\n"
    "                   OUTDIR/Converted Outlook PST/Recovered items/ (with mbox and maildir\n"
    "                   into a folder \"Recovered items\" of the store's mailbox).\n"
    "                   OUTDIR/Converted Outlook PST/export-manifest.tsv lists every file\n"
    "                   written: entry id, folder, subject, file, size and SHA-256; for mbox\n"
    "                   the file is the folder's mbox, size and SHA-256 are the message's\n"
    "                   entry, and a seventh field gives the entry's byte offset in it.\n"
    "  --since DATE     exports only messages from DATE (YYYY-MM-DD, UTC) on\n"
    "  --until DATE     exports only messages up to the end of DATE (the day is included).\n"
    "                   A message's date is its delivery time, else its sent time, else its\n"
    "                   creation time; messages without any are kept, contacts always are.\n"
    "  --resume         finishes an export into the same OUTDIR that ended early: the items\n"
    "                   its manifest lists as written whole are passed over, nothing is\n"
    "                   written twice. Refused for mbox, whose folders are single files: use\n"
    "                   --again there.\n"
    "  --again          writes the export again beside an earlier one in the same OUTDIR;\n"
    "                   without --resume or --again such an OUTDIR is refused\n"
    "  --list FILE      one line per folder: the folder's path, a TAB, the class of its\n"
    "                   items, a TAB, the number of items; the top folder first, then every\n"
    "                   folder below it, depth first, in the store's order\n"
    "  --items FILE     one line per item: the folder's path, its position in the folder\n"
    "                   (from 1), its message class, its subject, its number of attachments\n"
    "                   and the bytes of their data, separated by TABs. In both lists a\n"
    "                   backslash is written \\\\, a TAB \\t, a line break \\n, other control\n"
    "                   characters \\xNN or \\u{NNNN}\n"
    "  --json           with --list or --items: one JSON document instead, with every field\n"
    "                   of the lines and the entry ids; items also with their dates (UTC),\n"
    "                   sender, number of recipients and reading state\n"
    "  --version        prints the version\n"
    "  --help           prints this text\n"
    "\n"
    "With more than one MAILBOX, or a directory, each data file is exported into\n"
    "OUTDIR/NAME/ (NAME: the file's name without its extension; a second file of the same\n"
    "name gets NAME (2), by the order given), with a line per mailbox as it starts and one\n"
    "summary at the end.\n"
    "\n"
    "Exit status: 0 when everything was read or written, 1 when parts of the file are damaged\n"
    "or items could not be written (each is named on standard error), 2 on bad usage or when\n"
    "the file cannot be read, 130 (Ctrl-C), 143 (kill) or 129 (terminal closed) when stopped\n"
    "by a signal: the items being written are finished, the summary says how far it came.\n"
    "With many mailboxes, the worst status of any of them.\n"
    "\n"
    "Examples:\n"
    "  pellmark-export --format eml mail.pst ~/Exported\n"
    "  pellmark-export --format mbox --since 2020-01-01 old.pst archive.ost ~/Mail\n"
    "  pellmark-export --format maildir /srv/mailboxes/ /srv/maildirs\n"
    "  pellmark-export --items --json mail.pst\n";

int usageError(const std::string& why) {
    std::cerr << "pellmark-export: " << why << "\n\n" << kUsage;
    return 2;
}

int exportCommand(const std::vector<std::string>& args) {
    pellmark::cli::ExportOptions options;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool takesValue =
            arg == "--format" || arg == "--folder" || arg == "--since" || arg == "--until";
        if (takesValue && i + 1 >= args.size()) return usageError(arg + " wants a value");
        if (arg == "--format") {
            options.format = args[++i];
        } else if (arg == "--folder") {
            options.folders.push_back(args[++i]);
        } else if (arg == "--since") {
            options.since = args[++i];
        } else if (arg == "--until") {
            options.until = args[++i];
        } else if (arg == "--resume" || arg == "--again") {
            (arg == "--resume" ? options.resume : options.again) = true;
        } else if (arg.rfind("--", 0) == 0) {
            return usageError("unknown option " + arg);
        } else {
            positional.push_back(arg);
        }
    }
    if (options.format.empty() || positional.size() < 2) {
        std::cerr << kUsage;
        return 2;
    }
    options.outputDirectory = positional.back();
    positional.pop_back();
    options.terminal = ::isatty(STDERR_FILENO) != 0;
    return pellmark::cli::runExports(options, positional, std::cout, std::cerr);
}

int listCommand(const std::vector<std::string>& args) {
    using pellmark::cli::ListKind;
    std::vector<std::string> files;
    bool json = false;
    ListKind kind = ListKind::Folders;
    for (const std::string& arg : args) {
        if (arg == "--list" || arg == "--items") {
            kind = arg == "--list" ? ListKind::Folders : ListKind::Items;
        } else if (arg == "--json") {
            json = true;
        } else if (arg.rfind("--", 0) == 0) {
            return usageError("unexpected " + arg);
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) return usageError("no FILE to list");
    return pellmark::cli::runLists(files, kind, std::cout, std::cerr, json);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    auto has = [&](const char* option) {
        for (const auto& a : args) {
            if (a == option) return true;
        }
        return false;
    };
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << kUsage;
        return 0;
    }
    if (args.size() == 1 && args[0] == "--version") {
        std::cout << "pellmark-export " << PELLMARK_VERSION << '\n';
        return 0;
    }
    if (has("--format")) return exportCommand(args);
    if (has("--list") || has("--items")) return listCommand(args);
    std::cerr << kUsage;
    return 2;
}
