// pellmark-export: the command-line front end.

#include <cstring>
#include <iostream>
#include <string>

#include "cli/ListCommand.h"

namespace {

const char* const kUsage =
    "Usage: pellmark-export --list FILE\n"
    "       pellmark-export --items FILE\n"
    "       pellmark-export --version\n"
    "\n"
    "Reads an Outlook data file (.pst or .ost).\n"
    "\n"
    "  --list FILE    one line per folder: the folder's path, a TAB, the class of its items,\n"
    "                 a TAB, the number of items; the top folder first, then every folder\n"
    "                 below it, depth first, in the store's order\n"
    "  --items FILE   one line per item: the folder's path, its position in the folder\n"
    "                 (from 1), its message class, its subject, its number of attachments\n"
    "                 and the bytes of their data, separated by TABs\n"
    "  --version      prints the version\n"
    "\n"
    "Exit status: 0 when everything was read, 1 when parts of the file are damaged (a\n"
    "warning names each), 2 on bad usage or when the file cannot be read.\n";

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
    if (argc == 3 && (std::strcmp(argv[1], "--list") == 0 || std::strcmp(argv[1], "--items") == 0)) {
        const ListKind kind = argv[1][2] == 'l' ? ListKind::Folders : ListKind::Items;
        return pellmark::cli::runList(argv[2], kind, std::cout, std::cerr);
    }
    std::cerr << kUsage;
    return 2;
}
