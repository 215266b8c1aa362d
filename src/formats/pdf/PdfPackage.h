#pragma once
// What the writer adds with qpdf to the PDF the engine rendered: page numbers laid over each
// page, the attachments as embedded files (the EmbeddedFiles name tree), the document's
// information and, for the archival form, PDF/A-3b's XMP metadata, output intent and each
// file's relationship.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats/pdf/PdfEngine.h"

namespace pellmark::formats {

struct EmbeddedFile {
    std::string name;
    std::string mimeType;
    std::string bytes;
    std::string description;
    std::optional<uint64_t> created;  // FILETIME
    std::optional<uint64_t> modified;
};

struct DocumentInfo {
    std::string title;
    std::string author;
    std::optional<uint64_t> created;  // FILETIME
};

std::string packagePdf(const std::string& rendered, PdfEngine& engine, const PdfSettings& settings,
                       const std::vector<EmbeddedFile>& files, const DocumentInfo& info);

// "D:20240305101400Z", the date form of PDF's dictionaries.
std::string pdfDate(uint64_t filetime);

}  // namespace pellmark::formats
