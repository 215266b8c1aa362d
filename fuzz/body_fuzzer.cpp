// libFuzzer target: the body conversions on arbitrary bytes, read as a compressed RTF stream,
// as RTF and as HTML.

#include <cstdint>
#include <string_view>

#include "formats/body/BodyError.h"
#include "formats/body/CompressedRtf.h"
#include "formats/body/HtmlToText.h"
#include "formats/body/RtfToText.h"
#include "formats/body/TextToRtf.h"

using namespace pellmark::formats;

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
