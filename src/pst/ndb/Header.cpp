#include "pst/ndb/Header.h"

#include <string>

#include "base/Crc32.h"

namespace pellmark::pst {
namespace {

constexpr uint8_t kMagic[4] = {0x21, 0x42, 0x44, 0x4E};  // "!BDN"

Format formatOf(uint16_t version) {
    if (version >= kVersionAnsiMin && version <= kVersionAnsiMax) return Format::Ansi;
    if (version == kVersionUnicode || version == kVersionUnicodeRecovered) return Format::Unicode;
    if (version == kVersionUnicode4k) return Format::Unicode4k;
    throw PstError(ErrorCode::UnsupportedVersion,
                   "format version " + std::to_string(version) + " is not supported", 10);
}

}  // namespace

Header Header::parse(Bytes data) {
    ByteView v(data, ErrorCode::NotAPst);
    if (data.size() < 4 || std::memcmp(data.data(), kMagic, 4) != 0) {
        throw PstError(ErrorCode::NotAPst, "the file does not start with the PST signature", 0);
    }
    Header h;
    h.clientMagic = v.u16(8);
    h.version = v.u16(10);
    h.format = formatOf(h.version);
    if (h.clientMagic != kMagicPst && h.clientMagic != kMagicOst && h.clientMagic != 0x4241) {
        throw PstError(ErrorCode::NotAPst, "unknown client signature", 8);
    }

    if (h.format == Format::Ansi) {
        v.require(0, 512, "ANSI header");
        // dwCRCPartial covers the 471 bytes from wMagicClient on.
        h.crcValid = base::computeCrc(v.sub(8, 471)) == v.u32(4);
        constexpr size_t root = 164;
        h.fileEof = v.u32(root + 4);
        h.nbtRoot = {BlockId(v.u32(root + 20)), v.u32(root + 24)};
        h.bbtRoot = {BlockId(v.u32(root + 28)), v.u32(root + 32)};
        h.amapValid = v.u8(root + 36) != 0;
        h.crypt = static_cast<CryptMethod>(v.u8(461));
    } else {
        v.require(0, 564, "Unicode header");
        // dwCRCFull covers the 516 bytes from wMagicClient on.
        h.crcValid = base::computeCrc(v.sub(8, 516)) == v.u32(524);
        constexpr size_t root = 180;
        h.fileEof = v.u64(root + 4);
        h.nbtRoot = {BlockId(v.u64(root + 36)), v.u64(root + 44)};
        h.bbtRoot = {BlockId(v.u64(root + 52)), v.u64(root + 60)};
        h.amapValid = v.u8(root + 68) != 0;
        h.crypt = static_cast<CryptMethod>(v.u8(513));
    }
    if (static_cast<uint8_t>(h.crypt) > 2) {
        throw PstError(ErrorCode::BadHeader,
                       "unknown encoding " + std::to_string(static_cast<int>(h.crypt)));
    }
    // A B-tree root beyond the end of the file is not refused here: a copy cut short still
    // holds pages the reader can find (Ndb::findNode).
    return h;
}

}  // namespace pellmark::pst
