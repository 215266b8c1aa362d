#include "saveas/AtomicFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "saveas/SaveError.h"

namespace pellmark::saveas {

AtomicFile::AtomicFile(std::filesystem::path target) : target_(std::move(target)) {
    // A short fixed name: the target's own name may already be as long as the system allows.
    std::string tmpl = (target_.parent_path() / ".pellmark-save-XXXXXX").string();
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) {
        throw SaveError("cannot write in " + target_.parent_path().string() + ": " +
                        std::strerror(errno));
    }
    ::close(fd);
    temp_ = tmpl;
}

AtomicFile::~AtomicFile() {
    if (!committed_) ::unlink(temp_.c_str());
}

void AtomicFile::commit() {
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        throw SaveError("cannot write " + target_.string() + ": " + std::strerror(errno));
    }
    committed_ = true;
}

}  // namespace pellmark::saveas
