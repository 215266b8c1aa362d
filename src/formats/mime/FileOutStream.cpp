#include "formats/mime/FileOutStream.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "formats/mime/StreamType.h"

namespace pellmark::formats {
namespace {

constexpr size_t kBufferSize = 256 * 1024;

struct Sink {
    int fd = -1;
    std::vector<char> buffer;
    bool failed = false;
};

struct FileOutStream {
    GMimeStream parent;
    Sink* sink;
};

struct FileOutStreamClass {
    GMimeStreamClass parent;
};

GObjectClass* parentClass = nullptr;

Sink& sinkOf(GMimeStream* stream) {
    return *reinterpret_cast<FileOutStream*>(stream)->sink;
}

bool drain(Sink& s) {
    size_t done = 0;
    while (done < s.buffer.size()) {
        const ssize_t n = ::write(s.fd, s.buffer.data() + done, s.buffer.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            s.failed = true;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    s.buffer.clear();
    return true;
}

ssize_t writeOut(GMimeStream* stream, const char* buf, size_t len) {
    Sink& s = sinkOf(stream);
    if (s.failed || s.fd < 0) return -1;
    if (s.buffer.size() + len > kBufferSize && !drain(s)) return -1;
    s.buffer.insert(s.buffer.end(), buf, buf + len);
    stream->position += static_cast<gint64>(len);
    return static_cast<ssize_t>(len);
}

int flushOut(GMimeStream* stream) {
    Sink& s = sinkOf(stream);
    return s.failed || !drain(s) ? -1 : 0;
}

int closeOut(GMimeStream* stream) {
    Sink& s = sinkOf(stream);
    if (s.fd < 0) return 0;
    const bool ok = !s.failed && drain(s);
    const bool closed = ::close(s.fd) == 0;
    s.fd = -1;
    return ok && closed ? 0 : -1;
}

void finalize(GObject* object) {
    Sink* sink = reinterpret_cast<FileOutStream*>(object)->sink;
    if (sink->fd >= 0) ::close(sink->fd);
    delete sink;
    parentClass->finalize(object);
}

void classInit(gpointer klass, gpointer) {
    parentClass = static_cast<GObjectClass*>(g_type_class_peek_parent(klass));
    G_OBJECT_CLASS(klass)->finalize = finalize;
    auto* s = static_cast<GMimeStreamClass*>(klass);
    s->read = [](GMimeStream*, char*, size_t) -> ssize_t { return -1; };
    s->write = writeOut;
    s->flush = flushOut;
    s->close = closeOut;
    s->eos = [](GMimeStream*) -> gboolean { return FALSE; };
    s->reset = [](GMimeStream*) { return -1; };
    s->seek = [](GMimeStream* stream, gint64 offset, GMimeSeekWhence whence) -> gint64 {
        return whence == GMIME_STREAM_SEEK_CUR && offset == 0 ? stream->position : -1;
    };
    s->tell = [](GMimeStream* stream) { return stream->position; };
    s->length = [](GMimeStream*) -> gint64 { return -1; };
    s->substream = [](GMimeStream*, gint64, gint64) -> GMimeStream* { return nullptr; };
}

GType fileOutStreamType() {
    static const GType type =
        registerStreamType<FileOutStream, FileOutStreamClass>("PellmarkFileOutStream", classInit);
    return type;
}

}  // namespace

GMimeStream* newFileOutStream(int fd) {
    auto* stream = static_cast<FileOutStream*>(g_object_new(fileOutStreamType(), nullptr));
    stream->sink = new Sink{fd, {}, false};
    stream->sink->buffer.reserve(kBufferSize);
    g_mime_stream_construct(&stream->parent, 0, -1);
    return &stream->parent;
}

}  // namespace pellmark::formats
