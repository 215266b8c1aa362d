#include "export/OutputDirectories.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "export/FolderOutput.h"
#include "export/OutputNaming.h"

namespace pellmark::exporting {
namespace {

[[noreturn]] void cannotMake(const std::string& path, int error) {
    throw WriteError("cannot create the directory " + path + ": " + std::strerror(error));
}

// Makes one directory below an existing one. False when a file of another kind holds the name.
bool makeOne(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0) return true;
    const int error = errno;
    struct stat existing {};
    if (error == EEXIST && ::stat(path.c_str(), &existing) == 0) return S_ISDIR(existing.st_mode);
    cannotMake(path, error);
}

}  // namespace

void makeDirectories(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (ec) cannotMake(path, ec.value());
    if (!std::filesystem::is_directory(path, ec)) cannotMake(path, ENOTDIR);
}

OutputDirectories::OutputDirectories(std::string exportRoot) : root_(std::move(exportRoot)) {
    if (root_.empty() || root_.back() != '/') root_ += '/';
}

std::string OutputDirectories::forFolder(const std::string& folderPath) {
    const std::string relative = folderPath.size() > 2 ? folderPath.substr(2) : std::string();
    std::string directory = root_;
    std::string prefix;
    for (std::size_t start = 0; !relative.empty() && start <= relative.size();) {
        std::size_t end = relative.find('\\', start);
        if (end == std::string::npos) end = relative.size();
        const std::string name = relative.substr(start, end - start);
        start = end + 1;
        prefix += '\\' + name;
        if (auto known = made_.find(prefix); known != made_.end()) {
            directory = known->second;
            continue;
        }
        const std::string safe = safeDirectoryName(name);
        for (int copy = 1;; ++copy) {
            if (copy > FolderOutput::kMaxAttempts) cannotMake(directory + safe, EEXIST);
            const std::string suffix = copy > 1 ? " (" + std::to_string(copy) + ")" : "";
            const std::string candidate =
                directory + cutToBytes(safe, kMaxNameBytes - suffix.size()) + suffix;
            if (makeOne(candidate)) {
                directory = candidate + '/';
                break;
            }
        }
        made_[prefix] = directory;
    }
    return directory;
}

}  // namespace pellmark::exporting
