#include "formats/mime/InlineImageParts.h"

#include <algorithm>

#include "formats/mime/MimeIdScope.h"

namespace pellmark::formats {
namespace {

// A content id for an image the item names only by location: unique like a boundary and
// drawn the same way, in the form of RFC 2392 (an addr-spec), on a domain that can be no one's.
std::string madeUpContentId(size_t index) {
    return "image" + std::to_string(index + 1) + "." + MimeIdScope::next().substr(0, 16) +
           "@pellmark.invalid";
}

}  // namespace

DataOpener attachmentOpener(const mapi::Item& message, size_t index) {
    return [attachment = std::shared_ptr<const mapi::Attachment>(message.attachment(index))] {
        return attachment->openData();
    };
}

InlineImageParts::InlineImageParts(const ItemView& item)
    : item_(item), images_(inlineImages(item)) {}

InlineImageFn InlineImageParts::rewriter() {
    return [this](const InlineImage& shown) -> std::optional<std::string> {
        const auto it = std::find_if(images_.begin(), images_.end(),
                                     [&](const InlineImage& i) { return i.index == shown.index; });
        if (it == images_.end()) return std::nullopt;
        const auto at = static_cast<size_t>(it - images_.begin());
        if (std::find(shown_.begin(), shown_.end(), at) == shown_.end()) shown_.push_back(at);
        if (contentIdOf(it->contentId).empty()) it->contentId = madeUpContentId(it->index);
        return "cid:" + contentIdOf(it->contentId);
    };
}

bool InlineImageParts::shows(size_t index) const {
    return std::any_of(shown_.begin(), shown_.end(),
                       [&](size_t at) { return images_[at].index == index; });
}

std::vector<MimePart> InlineImageParts::parts() const {
    std::vector<MimePart> out;
    for (size_t at : shown_) {
        const InlineImage& image = images_[at];
        out.push_back(
            dataPart({image.fileName, image.mimeType, image.contentId, image.contentLocation, true,
                      attachmentOpener(item_.message(), image.index)}));
    }
    return out;
}

}  // namespace pellmark::formats
