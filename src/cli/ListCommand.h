#pragma once
// `pellmark-export --list` and `--items`: the folder tree and the items of a data file as
// tab-separated lines, or as one JSON document, for scripts and for checking the reader against
// other tools.

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace pellmark::cli {

enum class ListKind { Folders, Items };

// Writes the listing to `out` and warnings to `err` (and, as JSON, into the document's
// "warnings" too). Returns the exit status: 0 when all was read, 1 when something inside the
// file was damaged, 2 when the file could not be read.
int runList(const std::filesystem::path& file, ListKind kind, std::ostream& out, std::ostream& err,
            bool json = false);

// Lists every mailbox `inputs` stand for (data files, and directories for the .pst and .ost
// files in them). One file that is no directory is listed as runList lists it. Otherwise each
// mailbox's lines follow a line "== FILE" (no listed line starts with "="), and as JSON the
// documents are the elements of one array, a mailbox that cannot be read an element with its
// "error". Returns the worst exit status of the mailboxes.
int runLists(const std::vector<std::string>& inputs, ListKind kind, std::ostream& out,
             std::ostream& err, bool json = false);

}  // namespace pellmark::cli
