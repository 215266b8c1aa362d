#include "saveas/Base64.h"
#include "saveas/HeaderBlock.h"
#include "saveas/HtmlPage.h"
#include "saveas/TextOutput.h"
#include "saveas/Writers.h"

namespace pellmark::saveas {

void writeHtml(const pst::Message& message, const std::filesystem::path& path) {
    const ItemView item(message);
    const auto images = inlineImages(item);
    auto dataUri = [&](const std::string& cid) -> std::optional<std::string> {
        const InlineImage* image = findInlineImage(images, cid);
        if (!image) return std::nullopt;
        return "data:" + image->mimeType + ";base64," + base64Encode(readAttachment(item, image->index));
    };
    writeWholeFile(path, htmlPage(item, headerHtml(headerFields(item)), dataUri));
}

}  // namespace pellmark::saveas
