#include "export/FolderOutput.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>

namespace pellmark::exporting {

namespace {

WriteError systemError(const std::string& what, const std::string& path, int error) {
    return WriteError(what + " " + path + ": " + std::strerror(error));
}

enum class Moved { Done, NameTaken };

// Moves `from` to `to` unless `to` exists. RENAME_NOREPLACE does it atomically; file systems
// without it get a hard link, which also refuses an existing name; file systems without hard
// links (FAT) get a check before the rename, the best they allow.
Moved moveNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return Moved::Done;
    }
    if (errno == EEXIST) return Moved::NameTaken;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
        throw systemError("cannot create", to, errno);
    }
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return Moved::Done;
    }
    if (errno == EEXIST) return Moved::NameTaken;
    if (errno != EPERM && errno != EOPNOTSUPP && errno != EMLINK) {
        throw systemError("cannot create", to, errno);
    }
    struct stat existing {};
    if (::lstat(to.c_str(), &existing) == 0) return Moved::NameTaken;
    if (::rename(from.c_str(), to.c_str()) != 0) throw systemError("cannot create", to, errno);
    return Moved::Done;
}

void removeQuietly(const std::string& path) {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

constexpr std::string_view kScratchPrefix = ".pellmark-partial-";

// Scratch directories left by runs that could not remove them (killed): their names carry the
// process id of their run, and that process is gone.
void removeStaleScratch(const std::string& directory) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(directory, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(kScratchPrefix, 0) != 0) continue;
        const long pid = std::strtol(name.c_str() + kScratchPrefix.size(), nullptr, 10);
        const bool alive = pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
        if (!alive) removeQuietly(it->path().string());
    }
}

}  // namespace

FolderOutput::FolderOutput(std::string directory) : directory_(std::move(directory)) {
    if (directory_.empty() || directory_.back() != '/') directory_ += '/';
    removeStaleScratch(directory_);
}

FolderOutput::~FolderOutput() {
    if (!scratch_.empty()) removeQuietly(scratch_);
}

const std::string& FolderOutput::scratchDirectory() {
    if (scratch_.empty()) {
        std::string pattern =
            directory_ + std::string(kScratchPrefix) + std::to_string(::getpid()) + "-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw systemError("cannot write into", directory_, errno);
        }
        scratch_ = pattern + '/';
    }
    return scratch_;
}

std::string FolderOutput::reserveScratch(const std::string& extension) {
    // The directory is this run's own and each name is used once, so nothing is there yet.
    std::lock_guard lock(scratchMutex_);
    // Files are spread over a few directories: a file made in a directory and one renamed out
    // of it take the directory's lock, and the renderers make files while the run's thread
    // renames them out.
    const uint64_t n = scratchFiles_++;
    std::string directory = scratchDirectory() + std::to_string(n % kScratchDirectories) + '/';
    if (n < kScratchDirectories && ::mkdir(directory.c_str(), 0700) != 0) {
        throw systemError("cannot write into", directory_, errno);
    }
    return directory + "file" + std::to_string(n) + extension;
}

void FolderOutput::discard(const std::string& scratchPath) {
    removeQuietly(scratchPath);
}

FolderOutput::Written FolderOutput::write(const Writer& writer, const Namer& nameFor,
                                          const std::string& extension, store::MailItem* item) {
    const std::string scratchPath = reserveScratch(extension);
    try {
        writer(scratchPath);
    } catch (...) {
        removeQuietly(scratchPath);
        throw;
    }
    return place(scratchPath, nameFor, item);
}

FolderOutput::Written FolderOutput::placeFile(const std::string& scratchPath, const Namer& nameFor,
                                              store::MailItem*) {
    struct stat written {};
    if (::lstat(scratchPath.c_str(), &written) != 0 || !S_ISREG(written.st_mode)) {
        removeQuietly(scratchPath);
        throw WriteError("the save reported success but wrote no file");
    }
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        const std::string path = directory_ + nameFor(attempt);
        try {
            if (moveNoReplace(scratchPath, path) == Moved::Done) {
                return Written{path, static_cast<uint64_t>(written.st_size)};
            }
        } catch (...) {
            removeQuietly(scratchPath);
            throw;
        }
    }
    removeQuietly(scratchPath);
    throw WriteError("no free file name in " + directory_);
}

}  // namespace pellmark::exporting
