#include "formats/OutputFormats.h"
#include "formats/body/TextToRtf.h"
#include "formats/text/HeaderBlock.h"
#include "formats/text/TextOutput.h"

namespace pellmark::formats {
namespace {

std::string headerRtf(const std::vector<HeaderField>& fields) {
    std::string out;
    for (const auto& f : fields) {
        out += "{\\b " + rtfEscape(f.label) + ":}\\tab " + rtfEscape(f.value) + "\\par\n";
    }
    return out + "\\par\n";
}

}  // namespace

void writeRtf(const mapi::Item& message, base::ByteSink& sink) {
    const ItemView item(message);
    const std::string header = headerRtf(headerFields(item));
    std::optional<std::string> rtf = item.rtfBody();
    const std::string document = rtf ? insertRtfHeader(*rtf, header)
                                     : insertRtfHeader(rtfFromText(item.plainBody()), header);
    sink.put(document);
}

}  // namespace pellmark::formats
