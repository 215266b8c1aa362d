#pragma once
// Writing an OLE compound file as it is made. Storages nest; streams are written one at a
// time, in pieces: a stream that reaches 4,096 bytes goes to the file sector by sector as it
// is written, a smaller one into the mini stream, which goes to the file a sector at a time
// too. The directory, FAT, mini FAT and DIFAT follow at the end. What stays in memory is the
// directory, the allocation tables and one stream's first 4 KiB: never a stream's data.
// Version 3 (512-byte sectors, as Outlook writes .msg files) unless the file passes 2 GiB:
// then it is laid out again as version 4 (4,096-byte sectors), which such files need.
// One writer belongs to one thread; writers share nothing.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "cfb/CompoundFileReader.h"

namespace pellmark::cfb {

enum class Version : uint16_t { V3 = 3, V4 = 4 };

class CompoundFileWriter {
  public:
    // A version 3 file passes to version 4 when it would be larger than this.
    static constexpr uint64_t kVersion3Limit = uint64_t{2} << 30;

    // Creates the file at `path`, emptying one that is there; throws CfbError. Without a
    // version, the file is version 3 up to kVersion3Limit and version 4 past it.
    explicit CompoundFileWriter(const std::filesystem::path& path,
                                std::optional<Version> version = std::nullopt);
    // Without commit(), the file is left incomplete for the caller to remove.
    ~CompoundFileWriter();
    CompoundFileWriter(const CompoundFileWriter&) = delete;
    CompoundFileWriter& operator=(const CompoundFileWriter&) = delete;

    EntryId root() const { return 0; }
    // A new storage in `parent`. Names are 1 to 31 UTF-16 units without / \ : or !, unique in
    // their storage as compound files compare names; throws CfbError otherwise.
    EntryId addStorage(EntryId parent, std::string_view name);
    void setClassId(EntryId storage, const ClassId& id);

    // One stream at a time: begun, written in pieces of any size, ended.
    void beginStream(EntryId parent, std::string_view name);
    void write(std::span<const uint8_t> bytes);
    void endStream();
    void addStream(EntryId parent, std::string_view name, std::span<const uint8_t> bytes);

    // Writes the directory, the tables and the header and closes the file; throws CfbError.
    void commit();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// Copies the storage `from` of `source`, its class id and everything in it, into the storage
// `to` of `target`, stream by stream in pieces. Throws CfbError when a stream of `source` is
// damaged.
void copyStorage(const CompoundFileReader& source, EntryId from, CompoundFileWriter& target,
                 EntryId to);

}  // namespace pellmark::cfb
