#include "pstwriter/ndb/OutputFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace pellmark::pstwriter {
namespace {

constexpr size_t kBufferSize = 1u << 20;
// Short holes between sequential writes (alignment padding, skipped map pages) are filled
// with zeros in the buffer rather than flushed around.
constexpr uint64_t kMaxBufferedHole = 64u << 10;

}  // namespace

OutputFile::OutputFile(const std::filesystem::path& target) : target_(target) {
    std::string tmpl = target.string() + ".XXXXXX";
    fd_ = ::mkstemp(tmpl.data());
    if (fd_ < 0) {
        throw std::runtime_error("cannot create " + tmpl + ": " + std::strerror(errno));
    }
    temp_ = tmpl;
    buffer_.reserve(kBufferSize);
}

OutputFile::~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !temp_.empty()) {
        std::error_code ec;
        std::filesystem::remove(temp_, ec);
    }
}

void OutputFile::fail(const char* what) const {
    throw std::runtime_error(std::string(what) + " " + temp_.string() + ": " +
                             std::strerror(errno));
}

void OutputFile::flush() {
    size_t done = 0;
    while (done < buffer_.size()) {
        ssize_t n = ::pwrite(fd_, buffer_.data() + done, buffer_.size() - done,
                             static_cast<off_t>(bufferStart_ + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("cannot write");
        }
        done += static_cast<size_t>(n);
    }
    bufferStart_ += buffer_.size();
    buffer_.clear();
}

void OutputFile::writeAt(uint64_t offset, ConstBytes data) {
    const uint64_t end = bufferStart_ + buffer_.size();
    if (offset >= end && offset - end <= kMaxBufferedHole) {
        buffer_.resize(buffer_.size() + (offset - end), 0);
    } else {
        flush();
        bufferStart_ = offset;
    }
    buffer_.insert(buffer_.end(), data.begin(), data.end());
    if (buffer_.size() >= kBufferSize) flush();
}

void OutputFile::commit(uint64_t finalSize) {
    flush();
    if (::ftruncate(fd_, static_cast<off_t>(finalSize)) != 0) fail("cannot size");
    if (::close(fd_) != 0) {
        fd_ = -1;
        fail("cannot close");
    }
    fd_ = -1;
    std::error_code ec;
    std::filesystem::rename(temp_, target_, ec);
    if (ec) {
        throw std::runtime_error("cannot rename " + temp_.string() + " to " + target_.string() +
                                 ": " + ec.message());
    }
    committed_ = true;
}

}  // namespace pellmark::pstwriter
