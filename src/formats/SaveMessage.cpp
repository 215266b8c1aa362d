#include "formats/SaveMessage.h"

#include "base/AtomicFile.h"
#include "formats/SaveError.h"
#include "formats/Writers.h"

namespace pellmark::formats {

bool saveMessage(const mapi::Item& message, SaveFormat format, const std::filesystem::path& path,
                 base::Sha256* digest) {
    const WriterFn writer = writerFor(format);
    if (!writer) {
        throw SaveError("save type " + std::to_string(static_cast<int>(format)) +
                        " is not available");
    }
    base::AtomicFile out(path);
    try {
        writer(message, out.tempPath(), digest);
    } catch (const SaveError&) {
        throw;
    } catch (const std::exception& e) {
        throw SaveError(e.what());
    }
    out.commit();
    return digest && hashesWhileWriting(format);
}

}  // namespace pellmark::formats
