#include "export/FolderOutput.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "base/CaseFold.h"
#include "export/Faults.h"

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

// The size of a written scratch file; a writer that reported success without writing one
// fails here.
uint64_t sizeOfWritten(const std::string& scratchPath) {
    struct stat written {};
    if (::lstat(scratchPath.c_str(), &written) != 0 || !S_ISREG(written.st_mode)) {
        throw WriteError("the save reported success but wrote no file");
    }
    return static_cast<uint64_t>(written.st_size);
}

}  // namespace

FolderOutput::FolderOutput(std::string directory, bool fresh)
    : directory_(std::move(directory)), fresh_(fresh) {
    if (directory_.empty() || directory_.back() != '/') directory_ += '/';
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

void FolderOutput::claim(Placing& file) {
    if (!fresh_ && !scanned_) {
        // What an earlier export left here: a name of ours must not differ from one of its
        // in letter case only either.
        scanned_ = true;
        std::error_code ec;
        for (std::filesystem::directory_iterator it(directory_, ec), end; !ec && it != end;
             it.increment(ec)) {
            given_.insert(base::caseFoldedKey(it->path().filename().string()));
        }
    }
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        const std::string name = file.nameFor(attempt);
        const uint64_t key = base::caseFoldedKey(name);
        if (given_.count(key) > 0) continue;
        // In a directory this run made, every name in it is one this output gave.
        struct stat existing {};
        if (!fresh_ && ::lstat((directory_ + name).c_str(), &existing) == 0) continue;
        given_.insert(key);
        file.path = directory_ + name;
        return;
    }
    throw WriteError("no free file name in " + directory_);
}

std::vector<FolderOutput::Written> FolderOutput::commit(std::vector<Placing>& files,
                                                        Ledger& ledger) {
    std::vector<Written> written;
    std::size_t moved = 0;
    try {
        for (const Placing& file : files) {
            written.push_back({file.path, sizeOfWritten(file.scratch), file.sha256});
        }
        ledger.record(written);
    } catch (...) {
        release(files);
        throw;
    }
    try {
        if (const int error = injectedFault(FaultPoint::BeforeMoves)) {
            throw systemError("cannot create", files.front().path, error);
        }
        for (; moved < files.size(); ++moved) {
            if (moved > 0) {
                if (const int error = injectedFault(FaultPoint::BetweenMoves)) {
                    throw systemError("cannot create", files[moved].path, error);
                }
            }
            if (moveNoReplace(files[moved].scratch, files[moved].path) == Moved::NameTaken) {
                throw WriteError("another program took the name " + files[moved].path +
                                 " while the file was written");
            }
        }
    } catch (...) {
        // Back to their scratch names, so no file without its record stays.
        for (std::size_t i = 0; i < moved; ++i) {
            if (::rename(files[i].path.c_str(), files[i].scratch.c_str()) != 0) {
                ::unlink(files[i].path.c_str());
            }
        }
        ledger.retract();
        release(files);
        throw;
    }
    return written;
}

void FolderOutput::release(const std::vector<Placing>& files) {
    for (const Placing& file : files) unclaim(file);
}

void FolderOutput::unclaim(const Placing& file) {
    given_.erase(base::caseFoldedKey(file.path.substr(directory_.size())));
}

FolderOutput::Written FolderOutput::place(Placing file, Ledger& ledger, store::MailItem*) {
    const std::string scratch = file.scratch;
    try {
        claim(file);
        std::vector<Placing> one{std::move(file)};
        return commit(one, ledger).front();
    } catch (...) {
        removeQuietly(scratch);
        throw;
    }
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
    NoLedger none;
    return place({scratchPath, nameFor}, none, item);
}

}  // namespace pellmark::exporting
