#include "base/AtomicFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace pellmark::base {

AtomicFile::AtomicFile(std::filesystem::path target) : target_(std::move(target)) {
    // A new file is written where it belongs and removed again if the save fails: a temporary
    // file and a rename would cost two more system calls per item of an export. Only a file
    // that is already there is kept safe behind a temporary copy until the save succeeds.
    struct stat st {};
    if (::lstat(target_.c_str(), &st) != 0 && errno == ENOENT) {
        temp_ = target_;
        inPlace_ = true;
        return;
    }
    // A short fixed name: the target's own name may already be as long as the system allows.
    std::string tmpl = (target_.parent_path() / ".pellmark-save-XXXXXX").string();
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) {
        throw FileError("cannot write in " + target_.parent_path().string() + ": " +
                        std::strerror(errno));
    }
    // mkstemp makes the file private; the saved file gets the usual permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    ::close(fd);
    temp_ = tmpl;
}

AtomicFile::~AtomicFile() {
    if (!committed_) ::unlink(temp_.c_str());
}

void AtomicFile::commit() {
    if (inPlace_) {
        committed_ = true;
        return;
    }
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        throw FileError("cannot write " + target_.string() + ": " + std::strerror(errno));
    }
    committed_ = true;
}

}  // namespace pellmark::base
