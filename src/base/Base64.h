#pragma once
// Base64 ([RFC 4648] section 4), for data: URIs of inline images.

#include <string>

#include "pst/io/ByteView.h"

namespace pellmark::saveas {

std::string base64Encode(pst::Bytes data);

}  // namespace pellmark::saveas
