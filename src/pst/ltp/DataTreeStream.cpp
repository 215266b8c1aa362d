#include "pst/ltp/DataTreeStream.h"

#include <algorithm>

namespace pellmark::pst {

size_t DataTreeStream::read(std::span<uint8_t> out) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(out.size(), tree_.size() - pos_));
    tree_.read(pos_, out.first(n));
    pos_ += n;
    return n;
}

}  // namespace pellmark::pst
