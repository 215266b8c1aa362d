#include "export/OutputDirectories.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "export/FolderOutput.h"
#include "export/OutputNaming.h"
#include "export/SafePaths.h"

namespace pellmark::exporting {
namespace {

[[noreturn]] void cannotMake(const std::string& path, int error) {
    throw WriteError("cannot create the directory " + path + ": " + std::strerror(error));
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

OutputDirectories::Directory OutputDirectories::forFolder(
    const std::vector<store::PathStep>& steps) {
    Directory directory{root_, false};
    for (const store::PathStep& step : steps) {
        if (const std::string* known = made_.find(directory.path, step)) {
            directory = {*known, fresh_[*known]};
            continue;
        }
        const std::string safe = safeDirectoryName(step.name);
        for (int copy = 1;; ++copy) {
            if (copy > FolderOutput::kMaxAttempts) cannotMake(directory.path + safe, EEXIST);
            const std::string suffix = copy > 1 ? " (" + std::to_string(copy) + ")" : "";
            const std::string name = cutToBytes(safe, kMaxNameBytes - suffix.size()) + suffix;
            if (made_.taken(directory.path, name)) continue;
            const MadeDirectory made = makeRealDirectory(directory.path + name);
            if (made == MadeDirectory::NameTaken) continue;
            made_.take(directory.path, name);
            const std::string path = directory.path + name + '/';
            made_.keep(directory.path, step, path);
            fresh_[path] = made == MadeDirectory::Made;
            directory = {path, made == MadeDirectory::Made};
            break;
        }
    }
    return directory;
}

}  // namespace pellmark::exporting
