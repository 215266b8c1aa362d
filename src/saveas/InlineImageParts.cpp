#include "saveas/InlineImageParts.h"

#include <algorithm>

namespace pellmark::saveas {

DataOpener attachmentOpener(const pst::Message& message, size_t index) {
    return [attachment = message.attachment(index)] { return attachment.openData(); };
}

InlineImageParts::InlineImageParts(const ItemView& item)
    : item_(item), images_(inlineImages(item)) {}

InlineImageFn InlineImageParts::rewriter() {
    return [this](const std::string& cid) -> std::optional<std::string> {
        const InlineImage* image = findInlineImage(images_, cid);
        if (!image) return std::nullopt;
        if (std::find(shown_.begin(), shown_.end(), image) == shown_.end()) shown_.push_back(image);
        return "cid:" + contentIdOf(image->contentId);
    };
}

bool InlineImageParts::shows(size_t index) const {
    return std::any_of(shown_.begin(), shown_.end(),
                       [&](const InlineImage* i) { return i->index == index; });
}

std::vector<PartPtr> InlineImageParts::parts() const {
    std::vector<PartPtr> out;
    for (const InlineImage* image : shown_) {
        const pst::Attachment attachment = item_.message().attachment(image->index);
        out.push_back(dataPart({attachment.fileName(), image->mimeType, image->contentId, true,
                                attachmentOpener(item_.message(), image->index)}));
    }
    return out;
}

}  // namespace pellmark::saveas
