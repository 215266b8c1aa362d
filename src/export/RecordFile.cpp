#include "export/RecordFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "export/FolderOutput.h"

namespace pellmark::exporting {
namespace {

WriteError recordError(const std::string& path, int error) {
    return WriteError("cannot write " + path + ": " + std::strerror(error));
}

}  // namespace

int writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

RecordFile::RecordFile(std::string path, std::string_view header, std::string_view lineEnd)
    : path_(std::move(path)) {
    fd_ = ::open(path_.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd_ < 0) throw recordError(path_, errno);
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        const int error = errno;
        ::close(fd_);
        throw recordError(path_, error);
    }
    end_ = static_cast<uint64_t>(st.st_size);
    std::string start;
    if (end_ == 0) {
        start = header;
    } else {
        // A record cut short (the system stopped in the middle of a write) ends where it is.
        char last = '\n';
        if (::pread(fd_, &last, 1, static_cast<off_t>(end_ - 1)) == 1 && last != '\n') {
            start = lineEnd;
        }
    }
    if (const int error = writeAll(fd_, start)) {
        ::close(fd_);
        throw recordError(path_, error);
    }
    end_ += start.size();
    lastRecord_ = end_;
}

RecordFile::~RecordFile() {
    if (fd_ >= 0) ::close(fd_);
}

void RecordFile::append(std::string_view record, int injected) {
    int error = injected;
    if (error != 0) {
        // A full disk takes part of a write: so does the injected one.
        (void)writeAll(fd_, record.substr(0, record.size() / 2));
    } else {
        error = writeAll(fd_, record);
    }
    if (error != 0) {
        // No part of the record stays: the next one starts on a line of its own.
        if (::ftruncate(fd_, static_cast<off_t>(end_)) != 0) {
            // the read side passes over a line it cannot parse
        }
        throw recordError(path_, error);
    }
    lastRecord_ = end_;
    end_ += record.size();
}

void RecordFile::retract() {
    if (::ftruncate(fd_, static_cast<off_t>(lastRecord_)) != 0) throw recordError(path_, errno);
    end_ = lastRecord_;
}

}  // namespace pellmark::exporting
