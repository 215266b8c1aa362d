#pragma once
// Base64 ([RFC 4648] section 4): for data: URIs of inline images, and in lines for MIME bodies.

#include <string>

#include <cstdint>
#include <span>

namespace pellmark::base {

std::string base64Encode(std::span<const uint8_t> data);

// `data` base64-encoded in lines of 76 characters ending in CRLF (RFC 2045 6.8), appended to
// `out`; a last, shorter line ends in CRLF too.
void appendBase64Lines(std::string& out, std::span<const uint8_t> data);

}  // namespace pellmark::base
