#include "formats/SaveMessage.h"

#include "base/AtomicFile.h"
#include "formats/OutputFormats.h"
#include "formats/SaveError.h"

namespace pellmark::formats {

bool saveMessage(const mapi::Item& message, SaveFormat format, const std::filesystem::path& path,
                 base::Sha256* digest) {
    const OutputFormat& output = outputFormatOf(format);
    base::AtomicFile out(path);
    try {
        output.writer(message, out.tempPath(), digest);
    } catch (const SaveError&) {
        throw;
    } catch (const std::exception& e) {
        throw SaveError(e.what());
    }
    out.commit();
    return digest && output.hashesWhileWriting;
}

}  // namespace pellmark::formats
