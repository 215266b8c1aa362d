#include "formats/SaveMessage.h"

#include "base/AtomicFile.h"
#include "formats/SaveError.h"
#include "formats/Writers.h"

namespace pellmark::formats {

bool saveMessage(const pst::Message& message, SaveFormat format, const std::filesystem::path& path,
                 base::Sha256* digest) {
    const HashingWriterFn hashing = digest ? hashingWriterFor(format) : nullptr;
    const WriterFn writer = writerFor(format);
    if (!writer) {
        throw SaveError("save type " + std::to_string(static_cast<int>(format)) +
                        " is not available");
    }
    base::AtomicFile out(path);
    try {
        if (hashing) {
            hashing(message, out.tempPath(), *digest);
        } else {
            writer(message, out.tempPath());
        }
    } catch (const SaveError&) {
        throw;
    } catch (const std::exception& e) {
        throw SaveError(e.what());
    }
    out.commit();
    return hashing != nullptr;
}

}  // namespace pellmark::formats
