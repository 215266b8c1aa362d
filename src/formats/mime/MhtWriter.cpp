#include "formats/Writers.h"
#include "formats/mime/InlineImageParts.h"
#include "formats/mime/MimeHeaders.h"
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
void writeMht(const pst::Message& message, const std::filesystem::path& path) {
    ensureGMime();
    const ItemView item(message);
    InlineImageParts images(item);
    const std::string page =
        htmlPage(item, headerHtml(headerFields(item)), images.images(), images.rewriter());

    auto related = adopt(newMultipart("related"));
    GMimeObject* root = GMIME_OBJECT(related.get());
    g_mime_object_set_content_type_parameter(root, "type", "text/html");
    g_mime_multipart_add(related.get(), textPart("html", page).get());
    for (const auto& image : images.parts()) g_mime_multipart_add(related.get(), image.get());
    for (const auto& part : attachmentParts(item, images, 0)) {
        g_mime_multipart_add(related.get(), part.get());
    }

    auto mime = adopt(g_mime_message_new(FALSE));
    addSummaryHeaders(mime.get(), item);
    g_mime_message_set_mime_part(mime.get(), root);
    writeMimeFile(GMIME_OBJECT(mime.get()), path);
}

}  // namespace pellmark::formats
