#pragma once
// The PR_RTF_COMPRESSED form of an RTF body ([MS-OXRTFCP]), made by the save layer's
// compressor, the one Pellmark reads back.

#include <string_view>

#include "pstwriter/ndb/ByteBuffer.h"

namespace pellmark::pstwriter {

ByteVec encodeRtfBody(std::string_view rtf);

}  // namespace pellmark::pstwriter
