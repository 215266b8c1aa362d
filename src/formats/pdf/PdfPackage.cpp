#include "formats/pdf/PdfPackage.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFEFStreamObjectHelper.hh>
#include <qpdf/QPDFEmbeddedFileDocumentHelper.hh>
#include <qpdf/QPDFFileSpecObjectHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <ctime>
#include <set>

#include "formats/body/HtmlToText.h"
#include "formats/text/DateFormat.h"

namespace pellmark::formats {

namespace {

using Object = QPDFObjectHandle;

// XML 1.0 admits no control characters but tab and line ends; the rest escaped as in HTML.
std::string xmlEscaped(const std::string& text) {
    std::string kept;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r') kept += c;
    }
    return escapeHtml(kept);
}

std::string isoDate(uint64_t filetime) {
    const std::time_t t = unixTime(filetime);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

// Each page's number, from the engine's page of that number, drawn over the page as a form.
// The forms are copied from `numbers` as the file is written: it must live until then.
void addPageNumbers(QPDF& pdf, QPDF& numbers, std::string& numbersPdf, PdfEngine& engine,
                    PageSize size) {
    std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
    if (pages.empty()) return;
    numbersPdf = engine.pageNumbers(pages.size(), size);
    numbers.processMemoryFile("page numbers", numbersPdf.data(), numbersPdf.size());
    std::vector<QPDFPageObjectHelper> numberPages = QPDFPageDocumentHelper(numbers).getAllPages();
    for (size_t i = 0; i < pages.size() && i < numberPages.size(); ++i) {
        Object form = pdf.copyForeignObject(numberPages[i].getFormXObjectForPage());
        Object resources = pages[i].getAttribute("/Resources", true);
        if (!resources.isDictionary()) {
            resources = Object::newDictionary();
            pages[i].getObjectHandle().replaceKey("/Resources", resources);
        }
        if (!resources.getKey("/XObject").isDictionary())
            resources.replaceKey("/XObject", Object::newDictionary());
        int suffix = 0;
        const std::string name = resources.getUniqueResourceName("/PageNumber", suffix);
        resources.getKey("/XObject").replaceKey(name, form);
        const std::string place =
            pages[i].placeFormXObject(form, name, pages[i].getMediaBox().getArrayAsRectangle());
        // The page's own drawing is closed in q/Q so that the number is drawn untransformed.
        pages[i].addPageContents(Object::newStream(&pdf, "q\n"), true);
        pages[i].addPageContents(Object::newStream(&pdf, "\nQ\n" + place + "\n"), false);
    }
}

void setInfo(QPDF& pdf, const DocumentInfo& info) {
    Object dict = Object::newDictionary();
    dict.replaceKey("/Title", Object::newUnicodeString(info.title));
    dict.replaceKey("/Author", Object::newUnicodeString(info.author));
    dict.replaceKey("/Producer", Object::newUnicodeString("Pellmark"));
    // The item's date, not the hour of the export: the same item gives the same file.
    if (info.created) {
        dict.replaceKey("/CreationDate", Object::newString(pdfDate(*info.created)));
        dict.replaceKey("/ModDate", Object::newString(pdfDate(*info.created)));
    }
    pdf.getTrailer().replaceKey("/Info", pdf.makeIndirectObject(dict));
}

std::string xmpPacket(const DocumentInfo& info) {
    std::string date = info.created ? isoDate(*info.created) : std::string();
    std::string xmp =
        "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
        "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
        "<rdf:Description rdf:about=\"\" xmlns:pdfaid=\"http://www.aiim.org/pdfa/ns/id/\"\n"
        " xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
        "xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\"\n"
        " xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\">\n"
        "<pdfaid:part>3</pdfaid:part>\n<pdfaid:conformance>B</pdfaid:conformance>\n"
        "<dc:format>application/pdf</dc:format>\n"
        "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">" +
        xmlEscaped(info.title) +
        "</rdf:li></rdf:Alt></dc:title>\n"
        "<dc:creator><rdf:Seq><rdf:li>" +
        xmlEscaped(info.author) +
        "</rdf:li></rdf:Seq></dc:creator>\n"
        "<pdf:Producer>Pellmark</pdf:Producer>\n";
    if (!date.empty()) {
        xmp += "<xmp:CreateDate>" + date + "</xmp:CreateDate>\n<xmp:ModifyDate>" + date +
               "</xmp:ModifyDate>\n";
    }
    xmp += "</rdf:Description>\n</rdf:RDF>\n</x:xmpmeta>\n<?xpacket end=\"w\"?>\n";
    return xmp;
}

// PDF/A: the metadata stream, and sRGB as the output intent every colour refers to.
void makeArchival(QPDF& pdf, PdfEngine& engine, const DocumentInfo& info) {
    Object root = pdf.getRoot();
    Object metadata = Object::newStream(&pdf, xmpPacket(info));
    metadata.getDict().replaceKey("/Type", Object::newName("/Metadata"));
    metadata.getDict().replaceKey("/Subtype", Object::newName("/XML"));
    root.replaceKey("/Metadata", metadata);

    Object profile = Object::newStream(&pdf, engine.srgbProfile());
    profile.getDict().replaceKey("/N", Object::newInteger(3));
    Object intent = Object::newDictionary();
    intent.replaceKey("/Type", Object::newName("/OutputIntent"));
    intent.replaceKey("/S", Object::newName("/GTS_PDFA1"));
    intent.replaceKey("/OutputConditionIdentifier", Object::newString("sRGB IEC61966-2.1"));
    intent.replaceKey("/Info", Object::newString("sRGB IEC61966-2.1"));
    intent.replaceKey("/DestOutputProfile", profile);
    Object intents = Object::newArray();
    intents.appendItem(pdf.makeIndirectObject(intent));
    root.replaceKey("/OutputIntents", intents);
}

void embedFiles(QPDF& pdf, const std::vector<EmbeddedFile>& files, bool archive) {
    if (files.empty()) return;
    QPDFEmbeddedFileDocumentHelper tree(pdf);
    Object associated = Object::newArray();
    std::set<std::string> keys;
    for (const EmbeddedFile& file : files) {
        auto stream = QPDFEFStreamObjectHelper::createEFStream(pdf, file.bytes);
        if (!file.mimeType.empty()) stream.setSubtype(file.mimeType);
        if (file.created) stream.setCreationDate(pdfDate(*file.created));
        if (file.modified) stream.setModDate(pdfDate(*file.modified));
        auto spec = QPDFFileSpecObjectHelper::createFileSpec(pdf, file.name, stream);
        if (!file.description.empty()) spec.setDescription(file.description);
        // Two attachments of one name keep both: the tree's keys must differ, not the names.
        std::string key = file.name;
        for (int n = 2; !keys.insert(key).second; ++n)
            key = file.name + " (" + std::to_string(n) + ")";
        if (archive) {
            spec.getObjectHandle().replaceKey("/AFRelationship", Object::newName("/Data"));
            associated.appendItem(spec.getObjectHandle());
        }
        tree.replaceEmbeddedFile(key, spec);
    }
    if (archive) pdf.getRoot().replaceKey("/AF", associated);
}

}  // namespace

std::string pdfDate(uint64_t filetime) {
    const std::time_t t = unixTime(filetime);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "D:%Y%m%d%H%M%SZ", &tm);
    return text;
}

std::string packagePdf(const std::string& rendered, PdfEngine& engine, const PdfSettings& settings,
                       const std::vector<EmbeddedFile>& files, const DocumentInfo& info) {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processMemoryFile("rendered page", rendered.data(), rendered.size());
    QPDF numbers;
    std::string numbersPdf;
    addPageNumbers(pdf, numbers, numbersPdf, engine, settings.pageSize);
    embedFiles(pdf, files, settings.archive);
    setInfo(pdf, info);
    if (settings.archive) makeArchival(pdf, engine, info);

    QPDFWriter writer(pdf);
    writer.setOutputMemory();
    // The file's identifier from its content: the same item gives the same bytes.
    writer.setDeterministicID(true);
    if (settings.archive) writer.setMinimumPDFVersion("1.7");
    writer.write();
    auto buffer = writer.getBufferSharedPointer();
    return {reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize()};
}

}  // namespace pellmark::formats
