#pragma once
// The images an HTML body shows by content id, as the related parts of a MIME message: the
// page's cid: references are rewritten to the images' own content ids (the body may spell
// them in another case or with brackets), and each image it shows becomes one inline part.

#include <string>
#include <vector>

#include "saveas/HtmlPage.h"
#include "saveas/MimeParts.h"

namespace pellmark::saveas {

class InlineImageParts {
  public:
    explicit InlineImageParts(const ItemView& item);
    // rewriter() refers to this object.
    InlineImageParts(const InlineImageParts&) = delete;
    InlineImageParts& operator=(const InlineImageParts&) = delete;

    // For htmlPage() and rewriteCidReferences(); remembers every image it is asked for.
    InlineImageFn rewriter();
    // Whether the page shows the attachment at `index` (from 0).
    bool shows(size_t index) const;
    // One inline part per image shown, in the order the page first shows them.
    std::vector<PartPtr> parts() const;

  private:
    const ItemView& item_;
    std::vector<InlineImage> images_;
    std::vector<const InlineImage*> shown_;
};

// A reader of an attachment's data, for as long as the part that streams it lives.
DataOpener attachmentOpener(const pst::Message& message, size_t index);

}  // namespace pellmark::saveas
