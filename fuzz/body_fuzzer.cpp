// libFuzzer target: the body conversions on arbitrary bytes, read as a compressed RTF stream,
// as RTF and as HTML.

#include <cstdint>
#include <string_view>

#include "saveas/BodyError.h"
#include "saveas/CompressedRtf.h"
#include "saveas/HtmlToText.h"
#include "saveas/RtfToText.h"
#include "saveas/TextToRtf.h"

using namespace pellmark::saveas;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const std::string rtf = decompressRtf({data, size});
        (void)textFromRtf(rtf);
    } catch (const BodyError&) {
    }
    (void)textFromRtf(text);
    (void)htmlFromRtf(text);
    (void)textFromHtml(text);
    (void)rtfEscape(text);
    try {
        (void)insertRtfHeader(text, "x\\par");
    } catch (const BodyError&) {
    }
    return 0;
}
