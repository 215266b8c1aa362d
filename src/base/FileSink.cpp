#include "base/FileSink.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace pellmark::base {
namespace {

thread_local std::string threadBuffer;
thread_local bool threadBufferTaken = false;

}  // namespace

namespace detail {

SinkBuffer::SinkBuffer() : buffer_(&threadBuffer) {
    if (threadBufferTaken) {
        own_ = std::make_unique<std::string>();
        buffer_ = own_.get();
    }
    threadBufferTaken = true;
    buffer_->reserve(ByteSink::kFlushAt + 64 * 1024);
    buffer_->clear();
}

SinkBuffer::~SinkBuffer() {
    if (!own_) threadBufferTaken = false;
}

}  // namespace detail

FileSink::FileSink(std::filesystem::path path, bool hash)
    : ByteSink(sinkBuffer()),
      path_(std::move(path)),
      digest_(hash ? std::make_unique<Sha256>() : nullptr) {
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) fail(errno);
}

FileSink::~FileSink() {
    if (fd_ >= 0) ::close(fd_);
}

void FileSink::consume(std::string_view bytes) {
    if (digest_) digest_->update(bytes);
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail(n < 0 ? errno : EIO);
        done += static_cast<size_t>(n);
    }
    bytes_ += bytes.size();
}

void FileSink::finish() {
    flush();
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0) fail(errno);
}

std::string FileSink::sha256() {
    return digest_ ? digest_->hex() : std::string();
}

void FileSink::fail(int error) const {
    throw FileError("cannot write " + path_.string() + ": " + std::strerror(error ? error : EIO));
}

}  // namespace pellmark::base
