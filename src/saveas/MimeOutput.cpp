#include "saveas/MimeOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "saveas/DataStream.h"
#include "saveas/GObjectPtr.h"
#include "saveas/SaveError.h"

namespace pellmark::saveas {

void ensureGMime() {
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

namespace {

struct FormatOptionsFree {
    void operator()(GMimeFormatOptions* options) const { g_mime_format_options_free(options); }
};

std::unique_ptr<GMimeFormatOptions, FormatOptionsFree> formatOptions() {
    std::unique_ptr<GMimeFormatOptions, FormatOptionsFree> options(g_mime_format_options_new());
    g_mime_format_options_set_newline_format(options.get(), GMIME_NEWLINE_FORMAT_DOS);
    g_mime_format_options_set_param_encoding_method(options.get(),
                                                    GMIME_PARAM_ENCODING_METHOD_RFC2231);
    return options;
}

[[noreturn]] void fail(const std::filesystem::path& path, int error) {
    if (auto readError = takeDataStreamError()) std::rethrow_exception(readError);
    throw SaveError("cannot write " + path.string() + ": " + std::strerror(error ? error : EIO));
}

}  // namespace

void writeMimeFile(GMimeObject* object, const std::filesystem::path& path) {
    ensureGMime();
    takeDataStreamError();  // a failure of an earlier, abandoned write is not this one's
    // A stdio stream: buffered, and its flush does not force the file to disk as GMime's
    // file-descriptor stream does (an fsync per item would dominate an export).
    FILE* file = std::fopen(path.c_str(), "wbe");
    if (!file) fail(path, errno);
    auto out = adopt(g_mime_stream_file_new(file));  // owns the FILE from here
    const auto options = formatOptions();
    errno = 0;
    if (g_mime_object_write_to_stream(object, options.get(), out.get()) < 0) fail(path, errno);
    if (auto readError = takeDataStreamError()) std::rethrow_exception(readError);
    if (g_mime_stream_flush(out.get()) != 0) fail(path, errno);
    if (g_mime_stream_close(out.get()) != 0) fail(path, errno);
}

}  // namespace pellmark::saveas
