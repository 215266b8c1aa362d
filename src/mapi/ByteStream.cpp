#include "mapi/ByteStream.h"

#include <algorithm>
#include <cstring>

namespace pellmark::mapi {

size_t MemoryStream::read(std::span<uint8_t> out) {
    const size_t n = std::min(out.size(), data_.size() - pos_);
    if (n > 0) std::memcpy(out.data(), data_.data() + pos_, n);
    pos_ += n;
    return n;
}

}  // namespace pellmark::mapi
