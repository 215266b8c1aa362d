#include "pst/ltp/ByteStream.h"

#include <algorithm>
#include <cstring>

namespace pellmark::pst {

size_t MemoryStream::read(std::span<uint8_t> out) {
    const size_t n = std::min(out.size(), data_.size() - pos_);
    if (n > 0) std::memcpy(out.data(), data_.data() + pos_, n);
    pos_ += n;
    return n;
}

size_t DataTreeStream::read(std::span<uint8_t> out) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(out.size(), tree_.size() - pos_));
    tree_.read(pos_, out.first(n));
    pos_ += n;
    return n;
}

}  // namespace pellmark::pst
