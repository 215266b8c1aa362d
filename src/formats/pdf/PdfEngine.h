#pragma once
// PDF pages from HTML. The writer builds an item's page as the .html export does and hands it to
// the engine the program started for the run (a browser engine wants an application object and
// its own thread, which only a front end can give); the writer then adds page numbers, the
// attachments and the archival metadata to what the engine made.

#include <cstddef>
#include <memory>
#include <string>

namespace pellmark::formats {

enum class PageSize { A4, Letter };

struct PdfSettings {
    PageSize pageSize = PageSize::A4;
    // PDF/A-3b: XMP metadata, an sRGB output intent, the attachments marked as the item's data.
    bool archive = false;
};

// Renders on the calling thread's behalf; every function may be called from many threads at once.
class PdfEngine {
  public:
    virtual ~PdfEngine() = default;
    // The PDF of a complete HTML page; throws when the engine cannot render it.
    virtual std::string render(const std::string& html, PageSize size) = 0;
    // A PDF of `pages` blank pages, each with its number ("3 / 7") at the foot, fonts embedded.
    virtual std::string pageNumbers(std::size_t pages, PageSize size) = 0;
    // The ICC profile of sRGB, for the archival output intent.
    virtual std::string srgbProfile() = 0;
};

// The engine and settings of the run; null when none was started (the writer then fails).
void setPdfEngine(std::shared_ptr<PdfEngine> engine, PdfSettings settings);
std::shared_ptr<PdfEngine> pdfEngine();
PdfSettings pdfSettings();

}  // namespace pellmark::formats
