#pragma once
// The HTML page of an item, shared by the .html and .mht saves: the escaped header block, then
// the HTML body (with its charset re-declared as UTF-8) or the plain body escaped. Images the
// body references by cid: are rewritten by a caller-given function (data: URIs for .html,
// related parts for .mht).

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "saveas/HeaderBlock.h"
#include "saveas/ItemView.h"

namespace pellmark::saveas {

// Given the content id after "cid:", the URL to use instead; nullopt keeps the reference.
using InlineImageFn = std::function<std::optional<std::string>(const std::string& cid)>;

std::string headerHtml(const std::vector<HeaderField>& fields);
std::string htmlPage(const ItemView& item, const std::string& header, const InlineImageFn& inlineImage);
std::string rewriteCidReferences(const std::string& html, const InlineImageFn& inlineImage);

// Attachments that a body may reference by content id.
struct InlineImage {
    size_t index;
    std::string contentId;
    std::string mimeType;
};
std::vector<InlineImage> inlineImages(const ItemView& item);
// The image of a content id, compared without angle brackets and case.
const InlineImage* findInlineImage(const std::vector<InlineImage>& images, std::string_view cid);
std::vector<uint8_t> readAttachment(const ItemView& item, size_t index);
// A MIME type from a file name's extension; application/octet-stream when unknown.
std::string mimeTypeForName(const std::string& name);

}  // namespace pellmark::saveas
