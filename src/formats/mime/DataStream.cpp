#include "formats/mime/DataStream.h"

#include <span>
#include <utility>

#include "formats/mime/StreamType.h"

namespace pellmark::formats {
namespace {

thread_local std::exception_ptr firstError;

struct Source {
    DataOpener open;
    std::unique_ptr<pst::ByteStream> stream;
    bool atEnd = false;
};

// The GObject subclass: GMime's stream struct followed by our source.
struct DataStream {
    GMimeStream parent;
    Source* source;
};

struct DataStreamClass {
    GMimeStreamClass parent;
};

GObjectClass* parentClass = nullptr;

Source& sourceOf(GMimeStream* stream) {
    return *reinterpret_cast<DataStream*>(stream)->source;
}

void remember(std::exception_ptr error) {
    if (!firstError) firstError = std::move(error);
}

ssize_t readData(GMimeStream* stream, char* buf, size_t len) {
    Source& s = sourceOf(stream);
    if (s.atEnd) return 0;
    try {
        if (!s.stream) s.stream = s.open();
        const size_t n = s.stream->read(std::span(reinterpret_cast<uint8_t*>(buf), len));
        if (n == 0) s.atEnd = true;
        stream->position += static_cast<gint64>(n);
        return static_cast<ssize_t>(n);
    } catch (...) {
        remember(std::current_exception());
        return -1;
    }
}

int resetData(GMimeStream* stream) {
    Source& s = sourceOf(stream);
    s.stream.reset();
    s.atEnd = false;
    stream->position = 0;
    return 0;
}

// Only the seeks GMime makes on content: to the start, or a look at the current position.
gint64 seekData(GMimeStream* stream, gint64 offset, GMimeSeekWhence whence) {
    if (whence == GMIME_STREAM_SEEK_CUR && offset == 0) return stream->position;
    if (whence == GMIME_STREAM_SEEK_SET && offset == 0) return resetData(stream);
    return -1;
}

gint64 lengthOf(GMimeStream* stream) {
    Source& s = sourceOf(stream);
    try {
        if (!s.stream) s.stream = s.open();
        return static_cast<gint64>(s.stream->size());
    } catch (...) {
        remember(std::current_exception());
        return -1;
    }
}

void finalize(GObject* object) {
    delete reinterpret_cast<DataStream*>(object)->source;
    parentClass->finalize(object);
}

void classInit(gpointer klass, gpointer) {
    parentClass = static_cast<GObjectClass*>(g_type_class_peek_parent(klass));
    G_OBJECT_CLASS(klass)->finalize = finalize;
    auto* s = static_cast<GMimeStreamClass*>(klass);
    s->read = readData;
    s->write = [](GMimeStream*, const char*, size_t) -> ssize_t { return -1; };
    s->flush = [](GMimeStream*) { return 0; };
    s->close = [](GMimeStream*) { return 0; };
    s->eos = [](GMimeStream* stream) -> gboolean { return sourceOf(stream).atEnd; };
    s->reset = resetData;
    s->seek = seekData;
    s->tell = [](GMimeStream* stream) { return stream->position; };
    s->length = lengthOf;
    s->substream = [](GMimeStream*, gint64, gint64) -> GMimeStream* { return nullptr; };
}

GType dataStreamType() {
    static const GType type =
        registerStreamType<DataStream, DataStreamClass>("PellmarkDataStream", classInit);
    return type;
}

}  // namespace

GMimeStream* newDataStream(DataOpener open) {
    auto* stream = static_cast<DataStream*>(g_object_new(dataStreamType(), nullptr));
    stream->source = new Source{std::move(open), nullptr, false};
    g_mime_stream_construct(&stream->parent, 0, -1);
    return &stream->parent;
}

std::exception_ptr takeDataStreamError() {
    return std::exchange(firstError, nullptr);
}

}  // namespace pellmark::formats
