#pragma once
// The on-disk layout of a compound file that the reader and the writer share: the header's
// fields, the special sector numbers, the directory entry, and the order of names in a
// storage's tree ([MS-CFB] 2.2 to 2.6).

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace pellmark::cfb::format {

inline constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
inline constexpr size_t kHeaderSize = 512;
inline constexpr size_t kHeaderDifatEntries = 109;
inline constexpr size_t kDirEntrySize = 128;
inline constexpr uint32_t kMiniSectorSize = 64;
inline constexpr uint32_t kMiniStreamCutoff = 4096;
inline constexpr size_t kMaxNameUnits = 31;  // without the terminator

// Sector numbers above kMaxRegularSector mark the state of a sector, not a place.
inline constexpr uint32_t kMaxRegularSector = 0xFFFFFFFA;
inline constexpr uint32_t kDifatSector = 0xFFFFFFFC;
inline constexpr uint32_t kFatSector = 0xFFFFFFFD;
inline constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
inline constexpr uint32_t kFreeSector = 0xFFFFFFFF;
inline constexpr uint32_t kNoStream = 0xFFFFFFFF;  // an absent directory link

enum class EntryType : uint8_t { Unused = 0, Storage = 1, Stream = 2, Root = 5 };
enum class Color : uint8_t { Red = 0, Black = 1 };

// Header field offsets.
inline constexpr size_t kMinorVersionAt = 0x18;
inline constexpr size_t kMajorVersionAt = 0x1A;
inline constexpr size_t kByteOrderAt = 0x1C;
inline constexpr size_t kSectorShiftAt = 0x1E;
inline constexpr size_t kMiniSectorShiftAt = 0x20;
inline constexpr size_t kDirSectorCountAt = 0x28;
inline constexpr size_t kFatSectorCountAt = 0x2C;
inline constexpr size_t kFirstDirSectorAt = 0x30;
inline constexpr size_t kCutoffAt = 0x38;
inline constexpr size_t kFirstMiniFatSectorAt = 0x3C;
inline constexpr size_t kMiniFatSectorCountAt = 0x40;
inline constexpr size_t kFirstDifatSectorAt = 0x44;
inline constexpr size_t kDifatSectorCountAt = 0x48;
inline constexpr size_t kHeaderDifatAt = 0x4C;

// Directory entry field offsets.
inline constexpr size_t kNameLengthAt = 0x40;
inline constexpr size_t kTypeAt = 0x42;
inline constexpr size_t kColorAt = 0x43;
inline constexpr size_t kLeftAt = 0x44;
inline constexpr size_t kRightAt = 0x48;
inline constexpr size_t kChildAt = 0x4C;
inline constexpr size_t kClassIdAt = 0x50;
inline constexpr size_t kStartSectorAt = 0x74;
inline constexpr size_t kSizeAt = 0x78;

inline uint16_t get16(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}
inline uint32_t get32(std::span<const uint8_t> b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t{b[at + 3]} << 24;
}
inline uint64_t get64(std::span<const uint8_t> b, size_t at) {
    return get32(b, at) | uint64_t{get32(b, at + 4)} << 32;
}
inline void put16(std::span<uint8_t> b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
inline void put32(std::span<uint8_t> b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void put64(std::span<uint8_t> b, size_t at, uint64_t v) {
    put32(b, at, static_cast<uint32_t>(v));
    put32(b, at + 4, static_cast<uint32_t>(v >> 32));
}

// A name as compound files compare names: each UTF-16 unit in upper case. Only the units
// with a simple one-to-one upper case in the Basic Multilingual Plane's alphabets change.
std::u16string upperName(std::u16string_view name);
// The order of names in a storage's tree: shorter names first, then by upper-case units.
int compareNames(std::u16string_view a, std::u16string_view b);

std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view utf16);

}  // namespace pellmark::cfb::format
