#include "formats/mime/MimeOutput.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "formats/SaveError.h"
#include "formats/mime/DataStream.h"
#include "formats/mime/FileOutStream.h"
#include "formats/mime/GObjectPtr.h"

namespace pellmark::formats {

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
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) fail(path, errno);
    auto out = adopt(newFileOutStream(fd));  // owns the descriptor from here
    const auto options = formatOptions();
    errno = 0;
    if (g_mime_object_write_to_stream(object, options.get(), out.get()) < 0) fail(path, errno);
    if (auto readError = takeDataStreamError()) std::rethrow_exception(readError);
    if (g_mime_stream_flush(out.get()) != 0) fail(path, errno);
    if (g_mime_stream_close(out.get()) != 0) fail(path, errno);
}

}  // namespace pellmark::formats
