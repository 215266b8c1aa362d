#include "formats/SaveMessage.h"

#include "base/AtomicFile.h"
#include "formats/SaveError.h"
#include "formats/Writers.h"

namespace pellmark::formats {

std::optional<SaveFormat> saveFormatFromCode(int16_t code) {
    switch (code) {
        case 0:
            return SaveFormat::Txt;
        case 1:
            return SaveFormat::Rtf;
        case 3:
            return SaveFormat::Msg;
        case 5:
            return SaveFormat::Html;
        case 6:
            return SaveFormat::Vcf;
        case 1024:
            return SaveFormat::Eml;
        case 1027:
            return SaveFormat::Mht;
        default:
            return std::nullopt;
    }
}

void saveMessage(const pst::Message& message, SaveFormat format,
                 const std::filesystem::path& path) {
    const WriterFn writer = writerFor(format);
    if (!writer) {
        throw SaveError("save type " + std::to_string(static_cast<int>(format)) +
                        " is not available");
    }
    base::AtomicFile out(path);
    try {
        writer(message, out.tempPath());
    } catch (const SaveError&) {
        throw;
    } catch (const std::exception& e) {
        throw SaveError(e.what());
    }
    out.commit();
}

}  // namespace pellmark::formats
