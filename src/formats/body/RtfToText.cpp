#include "formats/body/RtfToText.h"

#include "formats/body/HtmlToText.h"
#include "formats/body/RtfInterpreter.h"

namespace pellmark::formats {

RtfOrigin rtfOrigin(std::string_view rtf) {
    return scanRtfHeader(rtf).origin;
}

std::optional<std::string> htmlFromRtf(std::string_view rtf) {
    if (rtfOrigin(rtf) != RtfOrigin::Html) return std::nullopt;
    return RtfInterpreter(rtf, RtfInterpreter::Output::Html).run();
}

std::string textFromRtf(std::string_view rtf) {
    switch (rtfOrigin(rtf)) {
        case RtfOrigin::Html:
            return textFromHtml(RtfInterpreter(rtf, RtfInterpreter::Output::Html).run());
        case RtfOrigin::Text:
            return RtfInterpreter(rtf, RtfInterpreter::Output::OriginalText).run();
        case RtfOrigin::Rtf:
            break;
    }
    return RtfInterpreter(rtf, RtfInterpreter::Output::Text).run();
}

}  // namespace pellmark::formats
