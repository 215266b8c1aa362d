#include "export/Sha256.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "export/FolderOutput.h"

namespace pellmark::exporting {

std::string sha256OfFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw WriteError("cannot read " + path + " back: " + std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1) {
        throw WriteError("SHA-256 is not available");
    }
    // One buffer per thread, never cleared: most files are a few kilobytes, and a fresh
    // zeroed buffer per file cost more than hashing them.
    constexpr size_t kBuffer = 128 * 1024;
    thread_local const std::unique_ptr<unsigned char[]> buffer(new unsigned char[kBuffer]);
    while (true) {
        const ssize_t n = ::read(fd, buffer.get(), kBuffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw WriteError("cannot read " + path + " back: " + std::strerror(errno));
        if (n == 0) break;
        EVP_DigestUpdate(ctx.get(), buffer.get(), static_cast<size_t>(n));
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(ctx.get(), digest, &length);
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < length; ++i) {
        out += hex[digest[i] >> 4];
        out += hex[digest[i] & 0x0F];
    }
    return out;
}

}  // namespace pellmark::exporting
