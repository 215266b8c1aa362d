#include "pstwriter/ndb/SpaceMap.h"

#include <algorithm>
#include <stdexcept>

#include "base/Crc32.h"
#include "pstwriter/ndb/OutputFile.h"

namespace pellmark::pstwriter {
namespace {

constexpr uint8_t kPTypeFMap = 0x82;
constexpr uint8_t kPTypePMap = 0x83;
constexpr uint8_t kPTypeAMap = 0x84;
constexpr uint8_t kPTypeFPMap = 0x85;

uint64_t alignUp(uint64_t n, uint64_t a) {
    return (n + a - 1) / a * a;
}

// The longest run of clear bits, in 64-byte units, capped to a byte as the FMap stores it.
uint8_t longestFreeRun(const ByteVec& bits) {
    size_t best = 0, run = 0;
    for (uint8_t byte : bits) {
        for (int b = 7; b >= 0; --b) {
            if (byte & (1u << b)) {
                run = 0;
            } else {
                best = std::max(best, ++run);
            }
        }
    }
    return static_cast<uint8_t>(std::min<size_t>(best, 255));
}

}  // namespace

void putIdAndCrc(ByteBuffer& b, pst::Format format, uint64_t id, uint32_t crc) {
    if (format == pst::Format::Ansi) {
        b.u32(static_cast<uint32_t>(id));
        b.u32(crc);
    } else {
        b.u32(crc);
        b.u64(id);
    }
}

SpaceMap::SpaceMap(pst::Format format)
    : format_(format),
      first_(pages4k() ? kFirstAMap4k : kFirstAMap),
      range_(pages4k() ? kRangeSize4k : kRangeSize),
      page_(pst::FormatTraits::of(format).pageSize),
      unit_(pages4k() ? 512 : 64),
      mapBytes_(page_ - pst::FormatTraits::of(format).pageTrailerSize -
                (format == pst::Format::Ansi ? 4 : 0)),
      next_(first_ + mapPages(0) * page_),
      // ANSI files address with 32 bits and Outlook keeps them under 2 GB.
      limit_(format == pst::Format::Ansi ? 0x7FFFFFFFull : ~0ull) {}

void SpaceMap::addHole(uint64_t from, uint64_t to) {
    if (from >= to) return;
    if (!holes_.empty() && holes_.back().second == from) {
        holes_.back().second = to;
    } else {
        holes_.emplace_back(from, to);
    }
}

void SpaceMap::release(uint64_t from, uint64_t to) {
    if (from >= to) return;
    // Holes stay in file order and apart: the new one joins those it meets.
    holes_.emplace_back(from, to);
    std::sort(holes_.begin(), holes_.end());
    std::vector<std::pair<uint64_t, uint64_t>> merged;
    for (const auto& h : holes_) {
        if (!merged.empty() && h.first <= merged.back().second) {
            merged.back().second = std::max(merged.back().second, h.second);
        } else {
            merged.push_back(h);
        }
    }
    holes_ = std::move(merged);
}

uint64_t SpaceMap::allocate(uint64_t size, uint64_t align) {
    // Where the last allocation ended exactly at a range's start, that range's map pages come
    // first and are not a hole.
    uint64_t from = next_;
    const uint64_t fromRange = rangeOf(from);
    from = std::max(from, rangeStart(fromRange) + mapPages(fromRange) * page_);
    uint64_t off = alignUp(from, align);
    if (off + size > rangeStart(fromRange + 1)) {
        off = rangeStart(fromRange + 1) + mapPages(fromRange + 1) * page_;
        addHole(from, rangeStart(fromRange + 1));
    } else {
        addHole(from, off);
    }
    next_ = off + size;
    if (next_ > limit_) {
        throw std::runtime_error("the file would pass the 2 GB limit of the ANSI format");
    }
    return off;
}

uint64_t SpaceMap::fileSize() const {
    return rangeStart(rangeOf(next_ - 1) + 1);
}

ByteVec SpaceMap::amapBits(uint64_t r, size_t& hole) const {
    ByteVec bits(mapBytes_, 0);
    const uint64_t start = rangeStart(r);
    const uint64_t used = std::min(next_, rangeStart(r + 1));
    auto mark = [&](uint64_t from, uint64_t to, bool set) {
        for (uint64_t slot = (from - start) / unit_; slot < (to - start) / unit_; ++slot) {
            if (set)
                bits[slot / 8] |= static_cast<uint8_t>(0x80u >> (slot % 8));
            else
                bits[slot / 8] &= static_cast<uint8_t>(~(0x80u >> (slot % 8)));
        }
    };
    if (used > start) mark(start, used, true);
    while (hole < holes_.size() && holes_[hole].first < rangeStart(r + 1)) {
        auto [from, to] = holes_[hole];
        mark(std::max(from, start), std::min(to, rangeStart(r + 1)), false);
        if (to > rangeStart(r + 1)) break;
        ++hole;
    }
    return bits;
}

void SpaceMap::writeMapPage(OutputFile& out, uint64_t ib, uint8_t ptype, ConstBytes bits) const {
    ByteBuffer page(page_);
    if (format_ == pst::Format::Ansi) page.u32(0);  // dwPadding: ANSI pages have 500 data bytes
    page.bytes(bits);
    const uint32_t crc = base::computeCrc(page.span());
    page.u8(ptype);
    page.u8(ptype);
    page.u16(0);                          // map pages carry no signature
    putIdAndCrc(page, format_, ib, crc);  // a map page's id is its own offset
    if (pages4k()) page.u64(1);           // as Outlook's 4 KiB pages end
    out.writeAt(ib, page.span());
}

SpaceMap::Totals SpaceMap::writeMaps(OutputFile& out) const {
    Totals totals;
    const uint64_t ranges = rangeOf(next_ - 1) + 1;
    std::vector<uint8_t> freeRuns(ranges);
    const ByteVec allUsed(mapBytes_, 0xFF);  // no page is held in reserve
    size_t hole = 0;
    for (uint64_t r = 0; r < ranges; ++r) {
        ByteVec bits = amapBits(r, hole);
        for (uint8_t b : bits) totals.amapFree += unit_ * (8 - std::popcount(b));
        freeRuns[r] = longestFreeRun(bits);
        if (r < 128 && !pages4k()) totals.headerFreeMap[r] = freeRuns[r];
        writeMapPage(out, rangeStart(r), kPTypeAMap, bits);
        totals.lastAMap = rangeStart(r);
        uint64_t page = rangeStart(r) + page_;
        if (hasPMap(r)) {
            writeMapPage(out, page, kPTypePMap, allUsed);
            page += page_;
        }
        if (hasFPMap(r)) writeMapPage(out, page, kPTypeFPMap, allUsed);
    }
    // An FMap holds one byte per AMap from its own range on; it is written last because it
    // looks ahead at ranges written after it.
    for (uint64_t r = 128; r < ranges && hasFMap(r); r += 496) {
        ByteVec runs(mapBytes_, 0);
        for (uint64_t i = 0; i < mapBytes_ && r + i < ranges; ++i) runs[i] = freeRuns[r + i];
        writeMapPage(out, rangeStart(r) + 2 * page_, kPTypeFMap, runs);
    }
    return totals;
}

}  // namespace pellmark::pstwriter
