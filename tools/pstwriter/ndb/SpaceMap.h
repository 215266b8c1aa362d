#pragma once
// File space and the allocation maps ([MS-PST] 2.2.2.7). The writer only appends, so space is
// handed out in file order; what it tracks are the holes it leaves (padding before a page, the
// tail of a map range too short for the next block) and the map pages that sit at fixed places:
// an AMap at the start of every 253,952-byte range, a PMap in every eighth range, FMaps and
// FPMaps where the file grows past what the header's own maps cover. The 4 KiB page variant
// has AMaps only, 4 KiB each, one bit per 512 bytes, so that one covers 16,678,912 bytes; its
// first stands at 0x22000, after a larger reserved region than the other variants'.

#include <cstdint>
#include <utility>
#include <vector>

#include "pst/ndb/Format.h"
#include "pstwriter/ndb/ByteBuffer.h"

namespace pellmark::pstwriter {

class OutputFile;

// Page and block trailers end with the id and the CRC, in the opposite order in ANSI files.
void putIdAndCrc(ByteBuffer& b, pst::Format format, uint64_t id, uint32_t crc);

class SpaceMap {
  public:
    static constexpr uint64_t kFirstAMap = 0x4400;
    static constexpr uint64_t kRangeSize = 496 * 8 * 64;
    static constexpr uint64_t kPageSize = 512;
    static constexpr uint64_t kFirstAMap4k = 0x22000;
    static constexpr uint64_t kRangeSize4k = 4072 * 8 * 512;

    explicit SpaceMap(pst::Format format);

    // Offset for `size` bytes aligned to `align`, never across a map range's start.
    uint64_t allocate(uint64_t size, uint64_t align);
    uint64_t end() const { return next_; }
    // The file size: the end of the last range, as Outlook grows files by whole ranges.
    uint64_t fileSize() const;

    struct Totals {
        uint64_t amapFree = 0;
        uint64_t pmapFree = 0;
        uint64_t lastAMap = 0;
        uint8_t headerFreeMap[128] = {};  // rgbFM: longest free run of the first 128 AMaps
    };
    // Marks [from, to) free again, as space a file gave back (what a deleted node leaves).
    void release(uint64_t from, uint64_t to);
    // Writes every AMap, PMap, FMap and FPMap page for the space handed out so far.
    Totals writeMaps(OutputFile& out) const;

    // Where the first AMap stands: what lies before it is the header's region.
    uint64_t firstAMap() const { return first_; }

  private:
    uint64_t rangeStart(uint64_t r) const { return first_ + r * range_; }
    uint64_t rangeOf(uint64_t offset) const { return (offset - first_) / range_; }
    bool hasPMap(uint64_t r) const { return !pages4k() && r % 8 == 0; }
    bool hasFMap(uint64_t r) const { return !pages4k() && r >= 128 && (r - 128) % 496 == 0; }
    bool hasFPMap(uint64_t r) const { return !pages4k() && r >= 1024 && (r - 1024) % 3968 == 0; }
    bool pages4k() const { return format_ == pst::Format::Unicode4k; }
    uint64_t mapPages(uint64_t r) const { return 1 + hasPMap(r) + hasFMap(r) + hasFPMap(r); }

    void addHole(uint64_t from, uint64_t to);
    ByteVec amapBits(uint64_t r, size_t& hole) const;
    void writeMapPage(OutputFile& out, uint64_t ib, uint8_t ptype, ConstBytes bits) const;

    pst::Format format_;
    uint64_t first_;
    uint64_t range_;
    uint64_t page_;  // map page size
    uint64_t unit_;  // bytes one AMap bit stands for
    size_t mapBytes_;
    uint64_t next_;
    uint64_t limit_;
    std::vector<std::pair<uint64_t, uint64_t>> holes_;  // [from, to), in file order
};

}  // namespace pellmark::pstwriter
