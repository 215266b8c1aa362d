#pragma once
// The HTML page of an item, shared by the .html and .mht saves: the escaped header block, then
// the HTML body (with its charset re-declared as UTF-8) or the plain body escaped. Images the
// body shows from its attachments are rewritten by a caller-given function (data: URIs for
// .html, related parts for .mht and .eml).

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/ItemView.h"
#include "formats/text/HeaderBlock.h"

namespace pellmark::formats {

// Attachments that a body may show as images: by content id (cid: URLs), by content location
// (RFC 2557) or by file name.
struct InlineImage {
    size_t index;
    std::string contentId;
    std::string contentLocation;
    std::string fileName;
    std::string mimeType;
};
std::vector<InlineImage> inlineImages(const ItemView& item);
// The image of a content id, compared without angle brackets and case.
const InlineImage* findInlineImage(const std::vector<InlineImage>& images, std::string_view cid);
// The image a URL other than cid: names: its content location, resolved against the page's
// base where it has one, or a relative URL that is its file name.
const InlineImage* findImageAt(const std::vector<InlineImage>& images, const std::string& url,
                               const std::string& base);

// Given an image a body shows, the URL to show it by instead; nullopt keeps the reference.
using InlineImageFn = std::function<std::optional<std::string>(const InlineImage&)>;

// The images `html` shows, by cid: URL, content location or file name, rewritten by
// `inlineImage`. A `standalone` page (a file of its own, not a message body) also loses its
// <base>, which would send its own links and images to the web, and its relative links are
// resolved against that base first, so that those meant for the web still go there.
std::string rewriteImageReferences(const std::string& html, const std::vector<InlineImage>& images,
                                   const InlineImageFn& inlineImage, bool standalone);

std::string headerHtml(const std::vector<HeaderField>& fields);
// The standalone page of the item.
std::string htmlPage(const ItemView& item, const std::string& header,
                     const std::vector<InlineImage>& images, const InlineImageFn& inlineImage);

std::vector<uint8_t> readAttachment(const ItemView& item, size_t index);
// A MIME type from a file name's extension; application/octet-stream when unknown.
std::string mimeTypeForName(const std::string& name);

}  // namespace pellmark::formats
