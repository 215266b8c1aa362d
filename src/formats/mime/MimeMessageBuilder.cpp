#include "formats/mime/MimeMessageBuilder.h"

#include "formats/SaveError.h"
#include "formats/body/HtmlCharset.h"
#include "formats/mime/InlineImageParts.h"
#include "formats/mime/MimeHeaders.h"
#include "formats/mime/MimeIdScope.h"
#include "formats/text/HeaderBlock.h"
#include "formats/text/TextOutput.h"

namespace pellmark::formats {

bool isMailKind(ItemKind kind) {
    return kind == ItemKind::Mail || kind == ItemKind::Post || kind == ItemKind::Other;
}

struct MimeMessageBuilder::State {
    State(const mapi::Item& message, int nesting) : item(message), nesting(nesting), images(item) {}

    MimePart body();

    ItemView item;
    int nesting;
    InlineImageParts images;
};

MimeMessageBuilder::MimeMessageBuilder(const mapi::Item& message, int nesting)
    : state_(std::make_unique<State>(message, nesting)) {}

MimeMessageBuilder::~MimeMessageBuilder() = default;

MimePart MimeMessageBuilder::build() {
    const std::string headers = messageHeaders(state_->item);
    // Boundaries and content ids follow from the headers; an embedded message draws on from
    // the scope of the message that holds it.
    const MimeIdScope ids(headers);
    std::vector<MimePart> parts;
    parts.push_back(state_->body());  // first: it decides which images are shown inline
    for (auto& a : attachmentParts(state_->item, state_->images, state_->nesting)) {
        parts.push_back(std::move(a));
    }
    return messageEntity(headers, multipart("mixed", std::move(parts)));
}

// text/plain, and text/html with its images as multipart/related (RFC 2387), as alternatives.
MimePart MimeMessageBuilder::State::body() {
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
    MimePart text = textPart("plain", plain);
    if (!html) return text;
    std::vector<MimePart> related;
    related.push_back(textPart("html", *html));
    for (auto& image : images.parts()) related.push_back(std::move(image));
    MimePart rich = multipart("related", std::move(related), "text/html");
    std::vector<MimePart> alternatives;
    alternatives.push_back(std::move(text));
    alternatives.push_back(std::move(rich));
    return multipart("alternative", std::move(alternatives));
}

namespace {

MimePart attachedMessage(const ItemView& item, size_t index, int nesting) {
    if (nesting + 1 > MimeMessageBuilder::kMaxNesting) {
        throw SaveError("embedded messages are nested more than " +
                        std::to_string(MimeMessageBuilder::kMaxNesting) + " deep");
    }
    const auto inner = item.message().attachment(index)->embeddedMessage();
    if (!inner) throw SaveError("an attached message cannot be read");
    const std::string subject = inner->subject();
    return messagePart(MimeMessageBuilder(*inner, nesting + 1).build(),
                       (subject.empty() ? "message" : subject) + ".eml");
}

}  // namespace

std::vector<MimePart> attachmentParts(const ItemView& item, const InlineImageParts& shown,
                                      int nesting) {
    std::vector<MimePart> out;
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
