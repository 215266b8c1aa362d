#pragma once
// What the start of an RTF document says about it: whether it is RTF at all, whether it
// encapsulates HTML or plain text ([MS-OXRTFEX] \fromhtml1, \fromtext), and where its
// header (font and colour tables, style sheet, info, generator, list tables) ends and the
// body begins.

#include <cstddef>
#include <string_view>

namespace pellmark::formats {

enum class RtfOrigin { Rtf, Html, Text };

struct RtfHeader {
    bool isRtf = false;  // starts with "{\rtf"
    RtfOrigin origin = RtfOrigin::Rtf;
    size_t bodyOffset = 0;  // the first body token: text, a body group, a paragraph word
};

RtfHeader scanRtfHeader(std::string_view rtf);

// Destinations whose text no reader shows (tables, metadata, pictures, field codes).
bool isHiddenDestination(std::string_view word);

}  // namespace pellmark::formats
