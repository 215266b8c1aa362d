#pragma once
// The images an HTML body shows, as the related parts of a MIME message (RFC 2387): the
// page's references, by cid: URL, content location or file name, are rewritten to cid: URLs
// of the images' content ids (made up for an image that has none), and each image it shows
// becomes one inline part that keeps its content location too (RFC 2557).

#include <string>
#include <vector>

#include "formats/mime/MimeParts.h"
#include "formats/text/HtmlPage.h"

namespace pellmark::formats {

class InlineImageParts {
  public:
    explicit InlineImageParts(const ItemView& item);
    // rewriter() refers to this object.
    InlineImageParts(const InlineImageParts&) = delete;
    InlineImageParts& operator=(const InlineImageParts&) = delete;

    // The images the page may show, for htmlPage() and rewriteImageReferences().
    const std::vector<InlineImage>& images() const { return images_; }
    // Remembers every image it is asked for.
    InlineImageFn rewriter();
    // Whether the page shows the attachment at `index` (from 0).
    bool shows(size_t index) const;
    // One inline part per image shown, in the order the page first shows them.
    std::vector<MimePart> parts() const;

  private:
    const ItemView& item_;
    std::vector<InlineImage> images_;
    std::vector<size_t> shown_;  // into images_
};

// A reader of an attachment's data, for as long as the part that streams it lives.
DataOpener attachmentOpener(const mapi::Item& message, size_t index);

}  // namespace pellmark::formats
