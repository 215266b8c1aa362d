#pragma once
// The export's directories, one per folder, made as they are first asked for. Each step of a
// folder's path becomes one safe directory below the export root. Where the name is taken (a
// file, such as an attachment an HTML page wrote beside itself; a symbolic link; a sibling
// folder of the same name, or of a name that differs in letter case only), the folder's
// directory takes the first free "name (2)", "name (3)", ... instead, and the folders below it
// follow it there: a directory and a file never take each other's name, two folders never
// share a directory, and nothing is written through a link.

#include <map>
#include <string>
#include <vector>

#include "export/FolderOutput.h"  // WriteError
#include "export/SiblingFolders.h"
#include "store/MailStore.h"

namespace pellmark::exporting {

class OutputDirectories {
  public:
    // `exportRoot` ends with '/' and exists.
    explicit OutputDirectories(std::string exportRoot);

    struct Directory {
        std::string path;    // ends with '/'
        bool fresh = false;  // made by this run, so it held nothing before
    };
    // The directory of the folder whose path is `steps` (the store's root folder first), made
    // with every parent. Throws WriteError naming the directory and the system's reason.
    Directory forFolder(const std::vector<store::PathStep>& steps);

  private:
    std::string root_;
    SiblingFolders made_;                // directory -> the folder's directory below it
    std::map<std::string, bool> fresh_;  // directory -> made by this run
};

// Makes `path` and every missing parent; throws WriteError with the system's reason
// (permission denied, read-only file system, not a directory, ...).
void makeDirectories(const std::string& path);

}  // namespace pellmark::exporting
