#include "formats/mime/MimeIdScope.h"

#include "base/Sha256.h"

namespace pellmark::formats {
namespace {

struct IdSource {
    std::string seed;  // hex SHA-256 of the seed text
    uint64_t counter = 0;
};

std::string sha256Hex(std::string_view text) {
    base::Sha256 hash;
    hash.update(text);
    return hash.hex();
}

thread_local IdSource scoped;
thread_local bool scopeOpen = false;

IdSource& looseSource() {
    thread_local IdSource loose{sha256Hex(""), 0};
    return loose;
}

}  // namespace

MimeIdScope::MimeIdScope(std::string_view seed) {
    if (scopeOpen) return;
    scoped = {sha256Hex(seed), 0};
    scopeOpen = opened_ = true;
}

MimeIdScope::~MimeIdScope() {
    if (opened_) scopeOpen = false;
}

std::string MimeIdScope::next() {
    IdSource& source = scopeOpen ? scoped : looseSource();
    constexpr size_t kDigits = 24;  // 96 bits
    return sha256Hex(source.seed + ':' + std::to_string(source.counter++)).substr(0, kDigits);
}

}  // namespace pellmark::formats
