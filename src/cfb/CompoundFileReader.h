#pragma once
// Reading an OLE compound file (version 3, 512-byte sectors; version 4, 4,096-byte sectors):
// the header, the FAT with its DIFAT, the mini FAT and mini stream, and the directory's
// red-black trees of storages and streams. Every chain, size and directory link is checked
// against the file: a file that is cut short, loops, or points past its end throws CfbError
// naming what is wrong, never reads out of bounds and never hangs. Streams are read on demand,
// so a file of any size is opened without loading it. An open reader holds no state that reads
// change: several threads may read its streams at once.

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace pellmark::cfb {

class CfbError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

using ClassId = std::array<uint8_t, 16>;

// An entry of the directory: the root storage, a storage or a stream.
using EntryId = uint32_t;

class CompoundFileReader {
  public:
    // Opens the file at `path`; throws CfbError when it is not a sound compound file.
    static CompoundFileReader open(const std::filesystem::path& path);
    // Reads a compound file held in memory (an OLE attachment's bytes, a fuzzer's input).
    static CompoundFileReader fromBytes(std::vector<uint8_t> bytes);
    // Reads the file open at `fd` (a temporary file without a name); with `adopt` the reader
    // closes it, else it reads through a duplicate and the caller keeps `fd`.
    static CompoundFileReader fromDescriptor(int fd, bool adopt = false);

    CompoundFileReader(CompoundFileReader&&) noexcept;
    CompoundFileReader& operator=(CompoundFileReader&&) noexcept;
    ~CompoundFileReader();

    EntryId root() const;
    // The storages and streams directly in `storage`, in the directory's order.
    std::vector<EntryId> children(EntryId storage) const;
    // The child of `storage` named `name` (compared as compound files compare names: upper
    // case of each UTF-16 unit); nullopt when there is none.
    std::optional<EntryId> child(EntryId storage, std::string_view name) const;

    std::string name(EntryId entry) const;  // UTF-8
    bool isStorage(EntryId entry) const;    // the root storage too
    bool isStream(EntryId entry) const;
    ClassId classId(EntryId entry) const;

    uint64_t streamSize(EntryId stream) const;
    // The whole stream; throws CfbError when its chain is damaged.
    std::vector<uint8_t> readStream(EntryId stream) const;
    // Up to out.size() bytes of the stream from `offset`; returns how many were read (fewer
    // only at the stream's end).
    size_t readStream(EntryId stream, uint64_t offset, std::span<uint8_t> out) const;

  private:
    struct State;
    explicit CompoundFileReader(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace pellmark::cfb
