// The .pdf save: the item's page as the .html export makes it (header block, body, inline
// images as data: URIs), a list of the attachments at its end, rendered by the run's engine;
// then every attachment embedded in the file, an attached message as its .eml.

#include <stdexcept>

#include "base/AsciiCase.h"
#include "base/Base64.h"
#include "formats/OutputFormats.h"
#include "formats/body/HtmlToText.h"
#include "formats/pdf/PdfEngine.h"
#include "formats/pdf/PdfPackage.h"
#include "formats/text/HeaderBlock.h"
#include "formats/text/HtmlPage.h"
#include "mapi/Tags.h"

namespace pellmark::formats {

namespace {

std::optional<uint64_t> timeOf(const mapi::Properties& props, uint16_t id) {
    if (auto value = props.get(id)) {
        if (auto t = value->asFileTime()) return *t;
    }
    return std::nullopt;
}

std::vector<EmbeddedFile> filesOf(const ItemView& item) {
    std::vector<EmbeddedFile> files;
    for (const AttachmentView& a : item.attachments()) {
        auto attachment = item.message().attachment(a.index);
        EmbeddedFile file{a.fileName,
                          a.mimeType,
                          {},
                          {},
                          timeOf(*attachment, mapi::prop::kCreationTime),
                          timeOf(*attachment, mapi::prop::kLastModificationTime)};
        if (a.embedded) {
            auto message = attachment->embeddedMessage();
            if (!message) continue;
            file.bytes = emlOf(*message);
            file.mimeType = "message/rfc822";
            if (file.name.empty()) file.name = message->subject();
            if (file.name.empty()) file.name = "message";
            const bool named = file.name.size() >= 4 &&
                               base::equalsNoCase(file.name.substr(file.name.size() - 4), ".eml");
            if (!named) file.name += ".eml";
        } else {
            const std::vector<uint8_t> data = readAttachment(item, a.index);
            file.bytes.assign(data.begin(), data.end());
            if (file.name.empty()) file.name = "attachment" + std::to_string(a.index + 1);
            if (file.mimeType.empty()) file.mimeType = mimeTypeForName(file.name);
        }
        files.push_back(std::move(file));
    }
    return files;
}

// Word's HTML puts its body on a named page of its own paper (@page WordSection1, Letter):
// Chromium would break the page before and after it and change the paper. Every page is the
// one the export was asked for.
constexpr const char* kOnePaper = "<style>*{page:auto !important}</style>\n";

// The list on the last page that names what the file holds.
std::string attachmentList(const std::vector<EmbeddedFile>& files) {
    if (files.empty()) return kOnePaper;
    std::string html =
        std::string(kOnePaper) +
        "<div style=\"break-inside:avoid;margin-top:2em;font-family:sans-serif;font-size:10pt\">"
        "<hr><b>Attachments in this PDF</b><ul>\n";
    for (const EmbeddedFile& f : files) {
        html += "<li>" + escapeHtml(f.name) + " (" + escapeHtml(f.mimeType) + ", " +
                std::to_string(f.bytes.size()) + " bytes)</li>\n";
    }
    return html + "</ul></div>\n";
}

std::string withAttachmentList(std::string page, const std::string& list) {
    // The last </body>: a body may quote one of its own before it.
    size_t end = std::string::npos;
    for (size_t at = base::findNoCase(page, "</body>"); at != std::string::npos;
         at = base::findNoCase(page, "</body>", at + 1)) {
        end = at;
    }
    if (end == std::string::npos) return page + list;
    return page.insert(end, list);
}

std::string authorOf(const ItemView& item) {
    const Address from = item.from();
    if (from.name.empty()) return from.address;
    if (from.address.empty() || from.address == from.name) return from.name;
    return from.name + " <" + from.address + ">";
}

}  // namespace

void writePdf(const mapi::Item& message, base::ByteSink& sink) {
    const std::shared_ptr<PdfEngine> engine = pdfEngine();
    if (!engine) throw std::runtime_error("no PDF engine was started");
    const PdfSettings settings = pdfSettings();
    const ItemView item(message);
    const auto images = inlineImages(item);
    auto dataUri = [&](const InlineImage& image) -> std::optional<std::string> {
        return "data:" + image.mimeType + ";base64," +
               base::base64Encode(readAttachment(item, image.index));
    };
    const std::vector<EmbeddedFile> files = filesOf(item);
    const std::string page = withAttachmentList(
        htmlPage(item, headerHtml(headerFields(item)), images, dataUri), attachmentList(files));
    const std::string rendered = engine->render(page, settings.pageSize);
    const DocumentInfo info{item.subject(), authorOf(item), item.sentTime()};
    sink.put(packagePdf(rendered, *engine, settings, files, info));
}

}  // namespace pellmark::formats
