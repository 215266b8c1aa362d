#include "base/Digests.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <memory>

namespace pellmark::base {
namespace {

using Context = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

Context started(const EVP_MD* md) {
    Context ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!ctx || EVP_DigestInit_ex(ctx.get(), md, nullptr) != 1) {
        throw FileError("the digests are not available");
    }
    return ctx;
}

std::string hexOf(EVP_MD_CTX* ctx) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(ctx, digest, &length);
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < length; ++i) {
        out += hex[digest[i] >> 4];
        out += hex[digest[i] & 0x0F];
    }
    return out;
}

}  // namespace

FileDigests digestsOfFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw FileError("cannot read " + path + " back: " + std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    std::array<Context, 3> contexts{started(EVP_md5()), started(EVP_sha1()), started(EVP_sha256())};
    constexpr size_t kBuffer = 128 * 1024;
    thread_local const std::unique_ptr<char[]> buffer(new char[kBuffer]);
    while (true) {
        const ssize_t n = ::read(fd, buffer.get(), kBuffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw FileError("cannot read " + path + " back: " + std::strerror(errno));
        if (n == 0) break;
        for (Context& ctx : contexts) {
            EVP_DigestUpdate(ctx.get(), buffer.get(), static_cast<size_t>(n));
        }
    }
    return {hexOf(contexts[0].get()), hexOf(contexts[1].get()), hexOf(contexts[2].get())};
}

}  // namespace pellmark::base
