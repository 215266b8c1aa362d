#include "pstwriter/RtfBody.h"

#include "saveas/CompressedRtf.h"

namespace pellmark::pstwriter {

ByteVec encodeRtfBody(std::string_view rtf) {
    return saveas::compressRtf(rtf);
}

}  // namespace pellmark::pstwriter
