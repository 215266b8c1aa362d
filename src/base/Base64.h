#pragma once
// Base64 ([RFC 4648] section 4), for data: URIs of inline images.

#include <string>

#include <cstdint>
#include <span>

namespace pellmark::base {

std::string base64Encode(std::span<const uint8_t> data);

}  // namespace pellmark::base
