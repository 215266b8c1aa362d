#include "formats/msg/OleWriter.h"

#include <gsf/gsf.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "formats/SaveError.h"

namespace pellmark::formats {
namespace {

// Pieces in which stream contents travel: large enough to be fast, small enough that an
// attachment of any size costs no more memory than this.
constexpr size_t kChunk = 256 * 1024;

void initGsf() {
    static const bool once = [] {
        gsf_init();
        return true;
    }();
    (void)once;
}

[[noreturn]] void fail(GsfOutput* out, const std::string& what) {
    const GError* err = out ? gsf_output_error(out) : nullptr;
    throw SaveError("cannot write the .msg file: " + what +
                    (err && err->message ? std::string(": ") + err->message : std::string()));
}

// A child output that is closed and released on every path.
class Child {
  public:
    Child(GsfOutput* parent, const std::string& name, bool isDir)
        : out_(gsf_outfile_new_child(GSF_OUTFILE(parent), name.c_str(), isDir)), name_(name) {
        if (!out_) fail(parent, "cannot create " + name);
    }
    ~Child() {
        if (!out_) return;
        if (!gsf_output_is_closed(out_)) gsf_output_close(out_);
        g_object_unref(out_);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    GsfOutput* get() const { return out_; }
    void write(const uint8_t* data, size_t size) {
        if (size > 0 && !gsf_output_write(out_, size, data)) fail(out_, "writing " + name_);
    }
    void close() {
        if (!gsf_output_close(out_)) fail(out_, "closing " + name_);  // released by ~Child
        g_object_unref(std::exchange(out_, nullptr));
    }
    GsfOutput* release() { return std::exchange(out_, nullptr); }

  private:
    GsfOutput* out_;
    std::string name_;
};

void copyClassId(GsfInfile* from, GsfOutput* to) {
    guint8 clsid[16];
    if (gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(from), clsid)) {
        gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(to), clsid);
    }
}

void copyInfileChildren(GsfInfile* from, GsfOutput* to);

void copyInfileStream(GsfInput* from, GsfOutput* to) {
    Child out(to, gsf_input_name(from), false);
    while (gsf_off_t left = gsf_input_remaining(from)) {
        const size_t n = left < gsf_off_t(kChunk) ? size_t(left) : kChunk;
        const guint8* data = gsf_input_read(from, n, nullptr);
        if (!data) {
            throw SaveError("cannot read the OLE object's stream " +
                            std::string(gsf_input_name(from)));
        }
        out.write(data, n);
    }
    out.close();
}

void copyInfileChildren(GsfInfile* from, GsfOutput* to) {
    const int count = gsf_infile_num_children(from);
    for (int i = 0; i < count; ++i) {
        GsfInput* child = gsf_infile_child_by_index(from, i);
        if (!child) throw SaveError("cannot read the OLE object's storage");
        try {
            // In a compound file, streams answer -1 when asked for their children.
            if (GSF_IS_INFILE(child) && gsf_infile_num_children(GSF_INFILE(child)) >= 0) {
                Child dir(to, gsf_input_name(child), true);
                copyClassId(GSF_INFILE(child), dir.get());
                copyInfileChildren(GSF_INFILE(child), dir.get());
                dir.close();
            } else {
                copyInfileStream(child, to);
            }
        } catch (...) {
            g_object_unref(child);
            throw;
        }
        g_object_unref(child);
    }
}

}  // namespace

OleStorage::OleStorage(GsfOutput* dir) : dir_(dir) {}

OleStorage::OleStorage(OleStorage&& other) noexcept : dir_(std::exchange(other.dir_, nullptr)) {}

OleStorage::~OleStorage() {
    if (!dir_) return;
    if (!gsf_output_is_closed(dir_)) gsf_output_close(dir_);
    g_object_unref(dir_);
}

OleStorage OleStorage::storage(const std::string& name) {
    Child dir(dir_, name, true);
    return OleStorage(dir.release());
}

void OleStorage::writeStream(const std::string& name, std::span<const uint8_t> data) {
    Child out(dir_, name, false);
    out.write(data.data(), data.size());
    out.close();
}

uint64_t OleStorage::writeStream(const std::string& name, mapi::ByteStream& in, uint64_t limit) {
    Child out(dir_, name, false);
    std::vector<uint8_t> buf(kChunk);
    uint64_t total = 0;
    while (const size_t n = in.read(buf)) {
        total += n;
        if (total > limit) {
            throw SaveError("the value of " + name + " is larger than a .msg file can hold");
        }
        out.write(buf.data(), n);
    }
    out.close();
    return total;
}

void OleStorage::setClassId(const ClassId& id) {
    gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(dir_), id.data());
}

bool OleStorage::copyCompoundFile(const std::string& name, std::FILE* file) {
    std::rewind(file);
    GsfInput* input = gsf_input_stdio_new_FILE("OLE object", file, TRUE);
    if (!input) return false;
    GsfInfile* ole = gsf_infile_msole_new(input, nullptr);
    g_object_unref(input);  // the infile holds its own reference
    if (!ole) return false;
    try {
        Child dir(dir_, name, true);
        copyClassId(ole, dir.get());
        copyInfileChildren(ole, dir.get());
        dir.close();
    } catch (...) {
        g_object_unref(ole);
        throw;
    }
    g_object_unref(ole);
    return true;
}

void OleStorage::close() {
    if (!gsf_output_close(dir_)) fail(dir_, "closing a storage");  // released by ~OleStorage
    g_object_unref(std::exchange(dir_, nullptr));
}

OleFile::OleFile(const std::filesystem::path& path) : path_(path) {
    initGsf();
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) {
        throw SaveError("cannot write " + path.string() + ": " + std::strerror(errno));
    }
    sink_ = gsf_output_stdio_new_FILE(path.c_str(), file_, TRUE);
    GsfOutfile* root = sink_ ? gsf_outfile_msole_new(sink_) : nullptr;
    if (!root) {
        if (sink_) g_object_unref(sink_);
        std::fclose(file_);
        throw SaveError("cannot start the .msg file " + path.string());
    }
    root_.reset(new OleStorage(GSF_OUTPUT(root)));
}

OleFile::~OleFile() {
    root_.reset();
    if (sink_) {
        if (!gsf_output_is_closed(sink_)) gsf_output_close(sink_);
        g_object_unref(sink_);
    }
    if (file_) std::fclose(file_);
}

void OleFile::commit() {
    // Closing the root storage writes the directory and tables and closes the sink with it.
    root_->close();
    const bool closed = gsf_output_is_closed(sink_) || gsf_output_close(sink_);
    if (!closed) fail(sink_, "closing " + path_.string());
    g_object_unref(std::exchange(sink_, nullptr));
    const bool flushed = std::fflush(file_) == 0 && !std::ferror(file_);
    const int flushErrno = errno;
    const bool fileClosed = std::fclose(std::exchange(file_, nullptr)) == 0;
    if (!flushed || !fileClosed) {
        throw SaveError("cannot write " + path_.string() + ": " +
                        std::strerror(flushed ? errno : flushErrno));
    }
}

}  // namespace pellmark::formats
