#include "pstwriter/messaging/RtfBody.h"

#include "formats/body/CompressedRtf.h"

namespace pellmark::pstwriter {

ByteVec encodeRtfBody(std::string_view rtf) {
    return formats::compressRtf(rtf);
}

}  // namespace pellmark::pstwriter
