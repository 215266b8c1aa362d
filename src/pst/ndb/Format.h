#pragma once
// The three on-disk variants and the sizes that differ between them ([MS-PST] 2.2.2.7,
// 2.2.2.8; the 4 KiB page variant is the one Outlook 2013 and later write for .ost files).

#include <cstddef>
#include <cstdint>

namespace pellmark::pst {

enum class Format : uint8_t { Ansi, Unicode, Unicode4k };

struct FormatTraits {
    Format format;
    size_t idSize;    // width of node/block ids and file offsets in structures
    size_t pageSize;  // B-tree and allocation map pages
    size_t pageTrailerSize;
    size_t btEntriesSize;  // bytes of entries in a B-tree page before its counters
    size_t blockAlign;     // blocks start and end on this boundary
    size_t blockTrailerSize;
    size_t maxBlockData;  // largest payload of one data block
    size_t nbtLeafSize;   // NBTENTRY
    size_t bbtLeafSize;   // BBTENTRY
    size_t btBranchSize;  // BTENTRY

    static const FormatTraits& of(Format f);
};

// wVer values of the header.
inline constexpr uint16_t kVersionAnsiMin = 14;
inline constexpr uint16_t kVersionAnsiMax = 15;
inline constexpr uint16_t kVersionUnicodeRecovered = 21;  // written by some repair tools
inline constexpr uint16_t kVersionUnicode = 23;
inline constexpr uint16_t kVersionUnicode4k = 36;

// wSig of a page or block trailer: its file offset and id folded to 16 bits ([MS-PST] 5.5).
constexpr uint16_t computeSignature(uint64_t ib, uint64_t bid) {
    ib ^= bid;
    return static_cast<uint16_t>(static_cast<uint16_t>(ib >> 16) ^ static_cast<uint16_t>(ib));
}

}  // namespace pellmark::pst
