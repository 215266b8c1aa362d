// pellmark-export: the command-line front end.

#include <langinfo.h>
#include <unistd.h>

#include <clocale>

#include <iostream>
#include <string>
#include <vector>

#include "base/AsciiCase.h"
#include "cli/CommandLine.h"
#include "cli/ExportCommand.h"
#include "cli/ListCommand.h"
#include "cli/StopSignals.h"
#include "formats/OutputFormats.h"
#include "pdfengine/WebEnginePdf.h"

namespace {

// The man page (pellmark-export.1) and the bash completion (pellmark-export.bash) beside it name
// every option this text names, and the man page every format; a test holds them to it. The
// formats' lines come from the table of output formats (@FORMATS@), and the completion reads
// them from here.
const char* const kUsage =
    "Usage: pellmark-export -f FORMAT [OPTION]... MAILBOX... OUTDIR\n"
    "       pellmark-export -f FORMAT -o OUTDIR [OPTION]... MAILBOX...\n"
    "       pellmark-export --list|--items [--json] MAILBOX...\n"
    "       pellmark-export --merge [--dedupe] DIR... OUTDIR\n"
    "       pellmark-export --help | --version\n"
    "\n"
    "Reads Outlook data files (.pst or .ost) and message files (.msg). A MAILBOX is\n"
    "a data file; a .msg file (a mailbox of one folder); or a directory, standing\n"
    "for every .pst and .ost file in it, each a mailbox, and for one more mailbox\n"
    "of the .msg files in it and in its subdirectories at any depth, whose folders\n"
    "are the subdirectories that hold .msg files. A .msg file that cannot be read\n"
    "is named and counted as failed; the others are exported.\n"
    "\n"
    "An option's value follows it as the next word or after '=': --format eml,\n"
    "--format=eml, -f eml or -feml. Short options without a value combine: -lq. '--'\n"
    "ends the options, for a MAILBOX whose name starts with '-'.\n"
    "\n"
    "Exporting:\n"
    "  -f, --format FORMAT  exports every item of the chosen folders below\n"
    "                       OUTDIR/Converted Outlook PST/. FORMAT is one of:\n"
    "@FORMATS@"
    "                       All but mbox, maildir and ics write one file per item, in\n"
    "                       directories that mirror the mailbox.\n"
    "                       mbox writes one mbox file (mboxrd) per folder, named\n"
    "                       after it, with its subfolders in NAME.sbd/ beside it:\n"
    "                       Thunderbird's layout (copy a store's directory in as\n"
    "                       Local Folders), also read by mutt and Apple Mail.\n"
    "                       maildir writes a Maildir++ tree per store for an IMAP\n"
    "                       server: the Inbox is the tree's INBOX, other folders\n"
    "                       .Parent.Child (IMAP UTF-7 names, '.' written \\2e as\n"
    "                       Dovecot's listescape reads it, '/' as '_', names cut to\n"
    "                       fit one directory entry with a ~ mark of the whole);\n"
    "                       forwarded is the flag P and the keyword $Forwarded of the\n"
    "                       folder's dovecot-keywords file.\n"
    "                       Both keep read, flagged, replied and forwarded and the\n"
    "                       delivery time; each message is what the eml format\n"
    "                       writes. Calendar and task folders are iCalendar files\n"
    "                       below Calendars/, one per folder, as ics writes them.\n"
    "                       ics writes one iCalendar file per calendar, task or\n"
    "                       journal folder, named after it in its directory.\n"
    "                       Contacts are always written as .vcf files (with mbox and\n"
    "                       maildir below vCards/); vcf, ics, mbox and maildir write\n"
    "                       distribution lists as vCard groups beside them.\n"
    "                       pdf lays out the page html writes with a browser engine\n"
    "                       (Chromium), with page numbers, and embeds every\n"
    "                       attachment (a message as .eml), listed on the last page.\n"
    "  -o, --output OUTDIR  exports into OUTDIR; every operand is then a MAILBOX (for\n"
    "                       xargs, or find -exec ... {} +)\n"
    "      --folder PATH    exports this folder: its path, e.g. '\\\\Personal\n"
    "                       Folders\\Inbox', or '\\\\Personal Folders' for the items of\n"
    "                       the top folder itself, or the path as --list prints it;\n"
    "                       repeat for more. Without it, every folder is exported\n"
    "                       (one of no known kind as mail), and the top folder when\n"
    "                       it holds items.\n"
    "                       Subfolders are exported only when named themselves.\n"
    "                       Items no folder lists any more (a damaged file) are\n"
    "                       recovered into OUTDIR/Converted Outlook PST/Recovered\n"
    "                       items/ (with mbox and maildir into a folder \"Recovered\n"
    "                       items\" of the store's mailbox).\n"
    "                       OUTDIR/Converted Outlook PST/export-manifest.tsv lists\n"
    "                       every file written: entry id, folder, subject, file, size\n"
    "                       and SHA-256; for an item in a shared file (a folder's mbox\n"
    "                       or iCalendar file) size and SHA-256 are the item's entry,\n"
    "                       and a seventh field gives its byte offset in the file.\n"
    "      --since DATE     exports only messages from DATE (YYYY-MM-DD, UTC) on\n"
    "      --until DATE     exports only messages up to the end of DATE (the day is\n"
    "                       included). A message's date is its delivery time, else\n"
    "                       its sent time, else its creation time; messages without\n"
    "                       any are kept, contacts always are.\n"
    "      --resume         finishes an export into the same OUTDIR that ended early:\n"
    "                       the items its manifest lists as written whole are passed\n"
    "                       over, nothing is written twice. Refused for mbox, whose\n"
    "                       folders are single files: use --again there.\n"
    "      --again          writes the export again beside an earlier one in the same\n"
    "                       OUTDIR; without --resume or --again such an OUTDIR is\n"
    "                       refused\n"
    "      --page-size SIZE  with -f pdf: a4 or letter (default: the locale's paper)\n"
    "      --pdf-archive    with -f pdf: PDF/A-3b for archives (XMP metadata, sRGB\n"
    "                       output intent, attachments marked as the item's data)\n"
    "      --recover WHAT   with WHAT deleted: also what the file still holds of\n"
    "                       items deleted from the mailbox, and of earlier versions\n"
    "                       of its items, found in its free space and in index pages\n"
    "                       it replaced; each one whose properties check out (CRCs\n"
    "                       and signatures) is written below OUTDIR/Converted Outlook\n"
    "                       PST/Recovered items/Deleted/, in a directory for the\n"
    "                       folder that held it where that is known; one whose\n"
    "                       recipients, attachments or long values are overwritten\n"
    "                       is written without them. The manifest gains a last\n"
    "                       field, recovered: how each recovered item was found.\n"
    "                       Nothing recovered replaces or joins a live item.\n"
    "      --forensic       the preset for evidence: --recover deleted; .msg files\n"
    "                       keep every string in the type the item stores it in\n"
    "                       (8-bit text stays 8-bit, in the item's code page), and\n"
    "                       with -f msg contacts are .msg files too, not vCards\n"
    "\n"
    "For review and evidence:\n"
    "      --load-file KIND writes a load file beside the export: KIND dat, a\n"
    "                       Concordance DAT, export-loadfile.dat (UTF-8 with a BOM,\n"
    "                       fields quoted with \xc3\xbe and apart by the character 0x14,\n"
    "                       line breaks in them written \xc2\xae), a row per item and\n"
    "                       per attachment: BEGDOC, ENDDOC, BEGATTACH, ENDATTACH,\n"
    "                       PARENT_DOCID, DUPLICATE_OF, CUSTODIAN, FOLDER_PATH, FROM,\n"
    "                       TO, CC, BCC, SUBJECT, DATE_SENT, DATE_RECEIVED (UTC, ISO\n"
    "                       8601), MESSAGE_ID, CONVERSATION_INDEX, ATTACHMENT_COUNT,\n"
    "                       FILE_NAME, FILE_EXTENSION, NATIVE_PATH (relative to the\n"
    "                       load file), FILE_SIZE, MD5, SHA1, SHA256, ENTRY_ID and\n"
    "                       CONTENT_HASH. Each item's attachments are written beside\n"
    "                       it, as files of their own. Not with mbox, maildir or\n"
    "                       ics, which write items into shared files.\n"
    "      --custodian NAME lists the documents under NAME; by default the name of\n"
    "                       the mailbox's file without its extension\n"
    "      --prefix PREFIX  document ids are PREFIX and a running number of eight\n"
    "                       digits (by default DOC: DOC00000001), handed out in\n"
    "                       export order over every mailbox of the run; a resumed\n"
    "                       run keeps those given and never gives one out twice\n"
    "      --dedupe         a message whose content hash (sender, recipients, sent\n"
    "                       time, subject, bodies, attachments with their bytes,\n"
    "                       Message-ID) equals that of one written before, in any\n"
    "                       folder or mailbox of the run, is not written again: the\n"
    "                       manifest and the load file list it with the document it\n"
    "                       duplicates, its own folder and custodian. Any other item\n"
    "                       (a contact, an appointment) is a copy only when every\n"
    "                       property, recipient and attachment is the same.\n"
    "                       Recovered items are always written, and are never the\n"
    "                       original of a copy.\n"
    "      --shard K/N      exports only the mailboxes in shard K of N, by a hash of\n"
    "                       each one's path (of a file found in a directory given,\n"
    "                       its name there): the N tasks of an array job split a\n"
    "                       directory of mailboxes among them, each exported once.\n"
    "                       Document ids carry the shard (DOC03-00000001); OUTDIR\n"
    "                       gets export-shard-K-of-N.tsv, which --merge checks.\n"
    "      --merge          with DIR... OUTDIR: merges the manifests and load files\n"
    "                       of the exports in each DIR (an OUTDIR of a run or of a\n"
    "                       shard, below OUTDIR) into OUTDIR/export-manifest.tsv and\n"
    "                       OUTDIR/export-loadfile.dat, their paths relative to\n"
    "                       OUTDIR; refused while a shard is missing or unfinished,\n"
    "                       or a document id is in two exports. With --dedupe, an\n"
    "                       item of one export whose content hash an item of an\n"
    "                       export before it has is listed as a copy of that one.\n"
    "\n"
    "  -q, --quiet          no progress: standard error gets only what failed or is\n"
    "                       damaged, standard output the summary as always\n"
    "  -v, --verbose        also a line per folder and one per item written (its file\n"
    "                       and size), on a terminal too\n"
    "\n"
    "While it exports, standard error shows a bar on a terminal (items done, items in\n"
    "all, items a second) and a line per folder otherwise; each failure gets a line\n"
    "of its own there. The summary goes to standard output.\n"
    "\n"
    "Listing:\n"
    "  -l, --list           one line per folder: the folder's path, a TAB, the class\n"
    "                       of its items, a TAB, the number of items; the top folder\n"
    "                       first, then every folder below it, depth first, in the\n"
    "                       store's order\n"
    "      --items          one line per item: the folder's path, its position in the\n"
    "                       folder (from 1), its message class, its subject, its\n"
    "                       number of attachments and the bytes of their data,\n"
    "                       separated by TABs.\n"
    "                       In both lists a backslash is written \\\\, a TAB \\t, a line\n"
    "                       break \\n, other control characters \\xNN or \\u{NNNN}\n"
    "      --json           with --list or --items: one JSON document instead, with\n"
    "                       every field of the lines and the entry ids; items also\n"
    "                       with their dates (UTC), sender, number of recipients and\n"
    "                       reading state\n"
    "\n"
    "  -h, --help           prints this text\n"
    "  -V, --version        prints the version\n"
    "\n"
    "With more than one MAILBOX, or a directory, each data file is exported into\n"
    "OUTDIR/NAME/ (NAME: the file's name without its extension, a directory's .msg\n"
    "files under the directory's name; a second file of the same name gets NAME (2),\n"
    "by the order given), with a line per mailbox as it starts and one summary at\n"
    "the end. Listed, the lines of each mailbox follow a line \"== FILE\"; with\n"
    "--json the output is a JSON array of one document per mailbox, and one that\n"
    "cannot be read is a document with its \"error\".\n"
    "\n"
    "Exit status: 0 when everything was read or written, 1 when parts of a file are\n"
    "damaged or items could not be written (each is named on standard error), 2 on\n"
    "bad usage (one line says what is wrong) or when a file cannot be read, 130\n"
    "(Ctrl-C), 143 (kill) or 129 (terminal closed) when stopped by a signal: the\n"
    "items being written are finished, the summary says how far it came. With many\n"
    "mailboxes, the worst status of any of them.\n"
    "\n"
    "Examples:\n"
    "  pellmark-export -f eml mail.pst ~/Exported\n"
    "  pellmark-export --format=mbox --since 2020-01-01 old.pst archive.ost ~/Mail\n"
    "  pellmark-export -f maildir -q /srv/mailboxes/ /srv/maildirs\n"
    "  find . -name '*.pst' -exec pellmark-export -f eml -o ~/Exported {} +\n"
    "  pellmark-export -l mail.pst other.pst\n"
    "  pellmark-export --items --json mail.pst\n"
    "  pellmark-export -f eml ~/Saved-messages ~/Exported\n"
    "  pellmark-export -f msg --load-file dat --dedupe --prefix ACME /cases/acme/ out\n"
    "  pellmark-export -f msg --load-file dat --shard 3/16 /cases/acme/ out/shard-3\n"
    "  pellmark-export --merge out/shard-* out\n";

// A command line that cannot be run gets one line saying why and one pointing to --help, as
// GNU programs do: the reason stays on the screen, not above a page of usage.
// The usage with a line per output format.
std::string usage() {
    std::string formatLines;
    for (const auto& format : pellmark::formats::outputFormats()) {
        std::string name(format.name);
        formatLines += "      " + name + std::string(name.size() < 9 ? 9 - name.size() : 1, ' ') +
                       std::string(format.description) + "\n";
    }
    std::string text = kUsage;
    text.replace(text.find("@FORMATS@"), 9, formatLines);
    return text;
}

int usageError(const std::string& why) {
    std::cerr << "pellmark-export: " << why << "\n"
              << "Try 'pellmark-export --help' for more information.\n";
    return 2;
}

// The paper of the user's locale (LC_PAPER): Letter where its width is 216 mm, else A4.
pellmark::formats::PageSize localPaper() {
    std::setlocale(LC_PAPER, "");
    const auto width = reinterpret_cast<std::intptr_t>(nl_langinfo(_NL_PAPER_WIDTH));
    std::setlocale(LC_PAPER, "C");
    return width == 216 ? pellmark::formats::PageSize::Letter : pellmark::formats::PageSize::A4;
}

}  // namespace

int main(int argc, char** argv) {
    using pellmark::cli::CommandLine;
    CommandLine command = pellmark::cli::parseCommandLine({argv + 1, argv + argc});
    if (!command.error.empty()) return usageError(command.error);
    switch (command.action) {
        case CommandLine::Action::Help:
            std::cout << usage();
            return 0;
        case CommandLine::Action::Version:
            std::cout << "pellmark-export " << PELLMARK_VERSION << '\n';
            return 0;
        case CommandLine::Action::List:
            return pellmark::cli::runLists(command.mailboxes, command.listKind, std::cout,
                                           std::cerr, command.json);
        case CommandLine::Action::Merge:
            return pellmark::cli::runMerge(command.mailboxes, command.options.outputDirectory,
                                           command.options.dedupe, std::cout, std::cerr);
        case CommandLine::Action::Export:
            break;
    }
    command.options.terminal = ::isatty(STDERR_FILENO) != 0;
    pellmark::cli::StopSignals::install();
    auto run = [&] {
        return pellmark::cli::runExports(command.options, command.mailboxes, std::cout, std::cerr);
    };
    if (!pellmark::base::equalsNoCase(command.options.format, "pdf")) return run();
    pellmark::formats::PdfSettings settings;
    const std::string& size = command.options.pageSize;
    settings.pageSize = size.empty() ? localPaper()
                        : pellmark::base::equalsNoCase(size, "letter")
                            ? pellmark::formats::PageSize::Letter
                            : pellmark::formats::PageSize::A4;
    settings.archive = command.options.pdfArchive;
    return pellmark::pdfengine::runWithPdfEngine(argc, argv, settings, run);
}
