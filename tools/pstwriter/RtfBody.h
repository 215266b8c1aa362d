#pragma once
// The PR_RTF_COMPRESSED form of an RTF body ([MS-OXRTFCP] 2.1.3.1): a valid compressed stream
// made of literals only, so larger than the text; the one place to switch once a real
// compressor is at hand.

#include <string_view>

#include "pstwriter/ByteBuffer.h"

namespace pellmark::pstwriter {

ByteVec encodeRtfBody(std::string_view rtf);

}  // namespace pellmark::pstwriter
