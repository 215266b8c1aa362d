#pragma once
// Nothing is written or removed through a symbolic link below the export root: a link that
// stands in place of a folder's directory (or a Maildir's cur/) could send the files of an
// export, or a resumed export's removals, anywhere on the system.

#include <string>

namespace pellmark::exporting {

// Whether every component of `relative` below `root` that exists is not a symbolic link.
bool reachedWithoutLinks(const std::string& root, const std::string& relative);

enum class MadeDirectory { Made, WasThere, NameTaken };

// Makes the directory `path` unless a real directory is there already. NameTaken when
// something else holds the name (a file, a symbolic link, a device); throws WriteError with the
// system's reason for any other failure.
MadeDirectory makeRealDirectory(const std::string& path);

// Writes `content` to `path` as a new file or over a regular file there, never through a link.
// Throws WriteError.
void writeWholeFile(const std::string& path, const std::string& content);

}  // namespace pellmark::exporting
