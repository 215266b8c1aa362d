#include "base/Sha256.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace pellmark::base {

struct Sha256::Context {
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx{EVP_MD_CTX_new(), EVP_MD_CTX_free};
};

Sha256::Sha256() : context_(std::make_unique<Context>()) {
    if (!context_->ctx || EVP_DigestInit_ex(context_->ctx.get(), EVP_sha256(), nullptr) != 1) {
        throw FileError("SHA-256 is not available");
    }
}

Sha256::~Sha256() = default;

void Sha256::update(std::string_view bytes) {
    EVP_DigestUpdate(context_->ctx.get(), bytes.data(), bytes.size());
}

std::string Sha256::hex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(context_->ctx.get(), digest, &length);
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < length; ++i) {
        out += hex[digest[i] >> 4];
        out += hex[digest[i] & 0x0F];
    }
    return out;
}

std::string sha256OfFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw FileError("cannot read " + path + " back: " + std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    Sha256 sha;
    // One buffer per thread, never cleared: most files are a few kilobytes, and a fresh
    // zeroed buffer per file cost more than hashing them.
    constexpr size_t kBuffer = 128 * 1024;
    thread_local const std::unique_ptr<char[]> buffer(new char[kBuffer]);
    while (true) {
        const ssize_t n = ::read(fd, buffer.get(), kBuffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw FileError("cannot read " + path + " back: " + std::strerror(errno));
        if (n == 0) break;
        sha.update(std::string_view(buffer.get(), static_cast<size_t>(n)));
    }
    return sha.hex();
}

}  // namespace pellmark::base
