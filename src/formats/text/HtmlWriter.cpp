#include "base/Base64.h"
#include "formats/OutputFormats.h"
#include "formats/text/HeaderBlock.h"
#include "formats/text/HtmlPage.h"
#include "formats/text/TextOutput.h"

namespace pellmark::formats {

void writeHtml(const mapi::Item& message, base::ByteSink& sink) {
    const ItemView item(message);
    const auto images = inlineImages(item);
    // The page shows its images from itself: it works offline, wherever it is moved.
    auto dataUri = [&](const InlineImage& image) -> std::optional<std::string> {
        return "data:" + image.mimeType + ";base64," +
               base::base64Encode(readAttachment(item, image.index));
    };
    sink.put(htmlPage(item, headerHtml(headerFields(item)), images, dataUri));
}

}  // namespace pellmark::formats
