#include "formats/mime/MimeMessageBuilder.h"

#include "formats/SaveError.h"
#include "formats/body/HtmlCharset.h"
#include "formats/mime/InlineImageParts.h"
#include "formats/mime/MimeHeaders.h"
#include "formats/text/HeaderBlock.h"
#include "formats/text/TextOutput.h"

namespace pellmark::formats {

bool isMailKind(ItemKind kind) {
    return kind == ItemKind::Mail || kind == ItemKind::Post || kind == ItemKind::Other;
}

struct MimeMessageBuilder::State {
    State(const pst::Message& message, int nesting)
        : item(message), nesting(nesting), images(item) {}

    PartPtr body();

    ItemView item;
    int nesting;
    InlineImageParts images;
};

MimeMessageBuilder::MimeMessageBuilder(const pst::Message& message, int nesting)
    : state_(std::make_unique<State>(message, nesting)) {}

MimeMessageBuilder::~MimeMessageBuilder() = default;

GObjectPtr<GMimeMessage> MimeMessageBuilder::build() {
    auto message = adopt(g_mime_message_new(FALSE));
    addMessageHeaders(message.get(), state_->item);
    std::vector<PartPtr> parts;
    parts.push_back(state_->body());  // first: it decides which images are shown inline
    for (auto& a : attachmentParts(state_->item, state_->images, state_->nesting)) {
        parts.push_back(std::move(a));
    }
    PartPtr content = multipart("mixed", std::move(parts));
    g_mime_message_set_mime_part(message.get(), content.get());
    return message;
}

// text/plain, and text/html with its images as multipart/related (RFC 2387), as alternatives.
PartPtr MimeMessageBuilder::State::body() {
    std::string plain = item.plainBody();
    std::optional<std::string> html;
    if (!isMailKind(item.kind())) {
        const auto fields = headerFields(item);
        plain = headerText(fields) + (plain.empty() ? "" : "\n" + plain);
        html = htmlPage(item, headerHtml(fields), images.images(), images.rewriter());
    } else if (auto body = item.htmlBody()) {
        html =
            declareUtf8(rewriteImageReferences(*body, images.images(), images.rewriter(), false));
    }
    PartPtr text = textPart("plain", plain);
    if (!html) return text;
    std::vector<PartPtr> related;
    related.push_back(textPart("html", *html));
    for (auto& image : images.parts()) related.push_back(std::move(image));
    PartPtr rich = multipart("related", std::move(related));
    if (GMIME_IS_MULTIPART(rich.get())) {
        g_mime_object_set_content_type_parameter(rich.get(), "type", "text/html");
    }
    std::vector<PartPtr> alternatives;
    alternatives.push_back(std::move(text));
    alternatives.push_back(std::move(rich));
    return multipart("alternative", std::move(alternatives));
}

namespace {

PartPtr attachedMessage(const ItemView& item, size_t index, int nesting) {
    if (nesting + 1 > MimeMessageBuilder::kMaxNesting) {
        throw SaveError("embedded messages are nested more than " +
                        std::to_string(MimeMessageBuilder::kMaxNesting) + " deep");
    }
    const pst::Message inner = item.message().attachment(index).embeddedMessage();
    auto message = MimeMessageBuilder(inner, nesting + 1).build();
    const std::string subject = inner.subject();
    return messagePart(message.get(), (subject.empty() ? "message" : subject) + ".eml");
}

}  // namespace

std::vector<PartPtr> attachmentParts(const ItemView& item, const InlineImageParts& shown,
                                     int nesting) {
    std::vector<PartPtr> out;
    for (const auto& a : item.attachments()) {
        if (shown.shows(a.index)) continue;
        if (a.embedded) {
            out.push_back(attachedMessage(item, a.index, nesting));
        } else {
            out.push_back(dataPart({a.fileName, a.mimeType, a.contentId, a.contentLocation, false,
                                    attachmentOpener(item.message(), a.index)}));
        }
    }
    return out;
}

}  // namespace pellmark::formats
