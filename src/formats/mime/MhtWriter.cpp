#include "formats/OutputFormats.h"
#include "formats/mime/InlineImageParts.h"
#include "formats/mime/MimeHeaders.h"
#include "formats/mime/MimeIdScope.h"
#include "formats/mime/MimeMessageBuilder.h"
#include "formats/mime/MimeOutput.h"
#include "formats/mime/MimeParts.h"
#include "formats/text/HeaderBlock.h"

namespace pellmark::formats {

// MIME HTML (RFC 2557): the page of the .html save as the root of multipart/related, the
// images it shows as parts it references by cid: URL. Nothing the item holds is left out: its
// other attachments and embedded messages follow as attachment and message/rfc822 parts of
// the same multipart. (Browsers open an .mht only when multipart/related is its top part, so
// they cannot go into a multipart/mixed around it; RFC 2387 lets a related part hold parts
// the root does not reference.)
void writeMht(const mapi::Item& message, base::ByteSink& sink) {
    const ItemView item(message);
    const std::string headers = summaryHeaders(item);
    const MimeIdScope ids(headers);  // boundaries and content ids follow from the headers
    InlineImageParts images(item);
    const std::string page =
        htmlPage(item, headerHtml(headerFields(item)), images.images(), images.rewriter());

    std::vector<MimePart> parts;
    parts.push_back(textPart("html", page));
    for (auto& image : images.parts()) parts.push_back(std::move(image));
    for (auto& part : attachmentParts(item, images, 0)) parts.push_back(std::move(part));
    writeMime(messageEntity(headers, newMultipart("related", std::move(parts), "text/html")), sink);
}

}  // namespace pellmark::formats
