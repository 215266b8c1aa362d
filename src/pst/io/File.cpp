#include "pst/io/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "pst/io/PstError.h"

namespace pellmark::pst {

namespace {

const char* kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a pipe (FIFO)";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISSOCK(mode)) return "a socket";
    return "of another kind";
}

}  // namespace

File::File(const std::filesystem::path& path) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer for ever. It has
    // no effect on the regular files read here.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) throw PstError(ErrorCode::Io, std::strerror(errno));
    struct stat st {};
    const int statError = ::fstat(fd_, &st) != 0 ? errno : 0;
    if (statError != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throw PstError(ErrorCode::Io, statError != 0 ? std::strerror(statError)
                                                     : std::string("it is ") + kindOf(st.st_mode) +
                                                           ", not a regular file");
    }
    size_ = static_cast<uint64_t>(st.st_size);
#ifdef POSIX_FADV_RANDOM
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_NORMAL);
#endif
}

File::~File() {
    if (fd_ >= 0) ::close(fd_);
}

void File::read(uint64_t offset, std::span<uint8_t> out) const {
    if (offset > size_ || size_ - offset < out.size()) {
        throw PstError(ErrorCode::OutOfBounds,
                       "read of " + std::to_string(out.size()) + " bytes past the end of the file",
                       offset);
    }
    size_t done = 0;
    while (done < out.size()) {
        ssize_t n =
            ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            throw PstError(ErrorCode::Io, n < 0 ? std::strerror(errno) : "unexpected end of file",
                           offset + done);
        }
        done += static_cast<size_t>(n);
    }
}

}  // namespace pellmark::pst
