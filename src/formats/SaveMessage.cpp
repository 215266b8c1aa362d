#include "formats/SaveMessage.h"

#include <sys/stat.h>

#include "base/AtomicFile.h"
#include "base/FileSink.h"
#include "formats/OutputFormats.h"
#include "formats/SaveError.h"

namespace pellmark::formats {
namespace {

// Runs `write`, turning any failure but the writers' own into a SaveError.
template <class Write>
void guardedWrite(Write&& write) {
    try {
        write();
    } catch (const SaveError&) {
        throw;
    } catch (const std::exception& e) {
        throw SaveError(e.what());
    }
}

}  // namespace

SavedFile saveMessage(const mapi::Item& message, SaveFormat format,
                      const std::filesystem::path& path, bool hash) {
    const OutputFormat& output = outputFormatOf(format);
    base::AtomicFile out(path);
    SavedFile saved;
    guardedWrite([&] {
        if (output.fileWriter) {
            output.fileWriter(message, out.tempPath());
            struct stat st {};
            if (::stat(out.tempPath().c_str(), &st) == 0) saved.bytes = uint64_t(st.st_size);
            if (hash) saved.sha256 = base::sha256OfFile(out.tempPath());
            return;
        }
        base::FileSink sink(out.tempPath(), hash);
        output.writer(message, sink);
        sink.finish();
        saved = {sink.bytes(), sink.sha256()};
    });
    out.commit();
    return saved;
}

void writeMessage(const mapi::Item& message, SaveFormat format, base::ByteSink& sink) {
    const OutputFormat& output = outputFormatOf(format);
    if (!output.writer) throw SaveError(std::string(output.name) + " files cannot be streamed");
    guardedWrite([&] { output.writer(message, sink); });
}

}  // namespace pellmark::formats
