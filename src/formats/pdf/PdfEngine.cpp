#include "formats/pdf/PdfEngine.h"

#include <mutex>

namespace pellmark::formats {

namespace {
std::mutex engineMutex;
std::shared_ptr<PdfEngine> currentEngine;
PdfSettings currentSettings;
}  // namespace

void setPdfEngine(std::shared_ptr<PdfEngine> engine, PdfSettings settings) {
    const std::lock_guard lock(engineMutex);
    currentEngine = std::move(engine);
    currentSettings = settings;
}

std::shared_ptr<PdfEngine> pdfEngine() {
    const std::lock_guard lock(engineMutex);
    return currentEngine;
}

PdfSettings pdfSettings() {
    const std::lock_guard lock(engineMutex);
    return currentSettings;
}

}  // namespace pellmark::formats
