#pragma once
// Writing an OLE compound file ([MS-CFB]) through libgsf. Storages nest; each stream is
// written whole, in pieces, before the next one is started, so libgsf can put a large stream
// straight into the file instead of holding it in memory. libgsf stays behind this header.

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

#include "mapi/ByteStream.h"

struct _GsfOutput;

namespace pellmark::formats {

using ClassId = std::array<uint8_t, 16>;

// One storage of the file being written. Children are created one at a time: a child storage
// is closed before anything else is added to its parent.
class OleStorage {
  public:
    OleStorage(OleStorage&& other) noexcept;
    OleStorage& operator=(OleStorage&&) = delete;
    OleStorage(const OleStorage&) = delete;
    // Closes the storage quietly when an error left it open; the file is discarded then.
    ~OleStorage();

    OleStorage storage(const std::string& name);
    void writeStream(const std::string& name, std::span<const uint8_t> data);
    // Copies the stream to its end in pieces; returns the number of bytes written. Fails when
    // the stream holds more than `limit` bytes.
    uint64_t writeStream(const std::string& name, mapi::ByteStream& in, uint64_t limit);
    void setClassId(const ClassId& id);
    // Copies the compound file `file`, its class id and every storage and stream in it, into
    // a child storage `name`. Returns false, having written nothing, when `file` is not a
    // compound file.
    bool copyCompoundFile(const std::string& name, std::FILE* file);
    // Throws SaveError when libgsf reports that anything written into the storage failed.
    void close();

  private:
    friend class OleFile;
    explicit OleStorage(_GsfOutput* dir);

    _GsfOutput* dir_;
};

// A compound file written to `path`: root() is the root storage, commit() finishes the file.
// Destroyed without commit(), the file is left incomplete for the caller to remove.
class OleFile {
  public:
    explicit OleFile(const std::filesystem::path& path);
    ~OleFile();
    OleFile(const OleFile&) = delete;
    OleFile& operator=(const OleFile&) = delete;

    OleStorage& root() { return *root_; }
    // Writes the directory and allocation tables and closes the file; throws SaveError.
    void commit();

  private:
    std::filesystem::path path_;
    std::FILE* file_ = nullptr;
    _GsfOutput* sink_ = nullptr;
    std::unique_ptr<OleStorage> root_;
};

}  // namespace pellmark::formats
