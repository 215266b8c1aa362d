#pragma once
// Compressed RTF ([MS-OXRTFCP]): the form of an item's RTF body on disk. A 16-byte header
// (compressed size, raw size, "LZFu" or "MELA", CRC) followed by LZ77 runs over a 4 KB
// dictionary preloaded with common RTF words, or by the raw RTF itself.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pellmark::formats {

// The RTF a compressed-RTF stream holds, for both the compressed and the stored form.
// Throws BodyError for a short or damaged stream (bad header, CRC mismatch, a reference
// outside the data written so far, truncation). Output never exceeds the raw size of the
// header, and the header's raw size is never trusted for allocation.
std::string decompressRtf(std::span<const uint8_t> data);

// The compressed ("LZFu") form of an RTF document, as Outlook stores it.
std::vector<uint8_t> compressRtf(std::string_view rtf);

}  // namespace pellmark::formats
