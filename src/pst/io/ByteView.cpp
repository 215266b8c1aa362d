#include "pst/io/ByteView.h"

#include <string>

namespace pellmark::pst {

void ByteView::fail(const char* what, size_t offset) const {
    throw PstError(code_, std::string(what) + " at " + std::to_string(offset) + " beyond " +
                              std::to_string(data_.size()) + " bytes");
}

}  // namespace pellmark::pst
