#pragma once
// The export's directories, one per folder, made as they are first asked for. Each name of a
// folder's path becomes one safe directory below the export root. Where a file already holds
// a name (an attachment an HTML page wrote beside itself), the folder's directory takes the
// first free "name (2)", "name (3)", ... instead, and the folders below it follow it there: a
// directory and a file never take each other's name.

#include <map>
#include <string>

#include "export/FolderOutput.h"  // WriteError

namespace pellmark::exporting {

class OutputDirectories {
  public:
    // `exportRoot` ends with '/' and exists.
    explicit OutputDirectories(std::string exportRoot);

    // The directory of the folder at `folderPath` ("\\Store\Folder\Sub"), ending with '/',
    // made with every parent. Throws WriteError naming the directory and the system's reason.
    std::string forFolder(const std::string& folderPath);

  private:
    std::string root_;
    std::map<std::string, std::string> made_;  // folder path prefix -> its directory
};

// Makes `path` and every missing parent; throws WriteError with the system's reason
// (permission denied, read-only file system, not a directory, ...).
void makeDirectories(const std::string& path);

}  // namespace pellmark::exporting
