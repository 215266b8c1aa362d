#pragma once
// The storages and streams of a .msg file, over the compound-file writer: storages nest;
// each stream is written whole, in pieces, before the next one is started, so a large stream
// goes straight into the file instead of being held in memory. Errors are SaveErrors.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

#include "cfb/CompoundFileWriter.h"
#include "mapi/ByteStream.h"

namespace pellmark::formats {

using ClassId = cfb::ClassId;

// One storage of the file being written. Children are created one at a time: a child storage
// is closed before anything else is added to its parent.
class OleStorage {
  public:
    OleStorage(OleStorage&& other) noexcept = default;
    OleStorage& operator=(OleStorage&&) = delete;
    OleStorage(const OleStorage&) = delete;

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
    // Nothing is left to write for a storage when its last child is written: kept so that
    // writers say where a storage ends.
    void close() {}

  private:
    friend class OleFile;
    OleStorage(cfb::CompoundFileWriter& file, cfb::EntryId id) : file_(&file), id_(id) {}

    cfb::CompoundFileWriter* file_;
    cfb::EntryId id_;
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
    std::unique_ptr<cfb::CompoundFileWriter> file_;
    std::unique_ptr<OleStorage> root_;
};

}  // namespace pellmark::formats
