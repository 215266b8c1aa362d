#include "Damage.h"

#include <random>

#include "base/Crc32.h"
#include "pst/ndb/Format.h"
#include "pst/ndb/Header.h"

namespace pellmark::fuzz {
namespace {

uint16_t u16(const std::string& s, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1])
                                                                   << 8);
}

uint64_t uint(const std::string& s, size_t at, size_t width) {
    uint64_t v = 0;
    for (size_t i = 0; i < width; ++i) v |= uint64_t{static_cast<uint8_t>(s[at + i])} << (8 * i);
    return v;
}

void putU32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
}

uint32_t crcOf(const std::string& s, size_t at, size_t size) {
    return base::computeCrc(pst::Bytes(reinterpret_cast<const uint8_t*>(s.data()) + at, size));
}

uint16_t signature(uint64_t ib, uint64_t bid) {
    ib ^= bid;
    return static_cast<uint16_t>(static_cast<uint16_t>(ib >> 16) ^ static_cast<uint16_t>(ib));
}

// Where a page or block of the file keeps its CRC: the trailer holds it before the id in
// Unicode files and after it in ANSI ones ([MS-PST] 2.2.2.7.1, 2.2.2.8.1).
size_t crcField(const pst::FormatTraits& t, size_t trailer) {
    return trailer + (t.format == pst::Format::Ansi ? 8 : 4);
}

struct Region {
    size_t at;
    size_t size;   // the bytes the CRC covers
    size_t crcAt;  // where it is kept
};

// Every B-tree page: page-aligned, both type bytes 0x80 or 0x81, CRC matching.
std::vector<Region> pagesOf(const std::string& s, const pst::FormatTraits& t) {
    std::vector<Region> pages;
    const size_t tr = t.pageSize - t.pageTrailerSize;
    for (size_t at = t.pageSize; at + t.pageSize <= s.size(); at += t.pageSize) {
        const auto type = static_cast<uint8_t>(s[at + tr]);
        if ((type != 0x80 && type != 0x81) || static_cast<uint8_t>(s[at + tr + 1]) != type)
            continue;
        const size_t crcAt = crcField(t, at + tr);
        if (crcOf(s, at, tr) == uint(s, crcAt, 4)) pages.push_back({at, tr, crcAt});
    }
    return pages;
}

// Every data block: its trailer ends an aligned allocation, and its size, signature and CRC
// agree with where it lies.
std::vector<Region> blocksOf(const std::string& s, const pst::FormatTraits& t) {
    std::vector<Region> blocks;
    const size_t idAt = t.format == pst::Format::Ansi ? 4 : 8;
    for (size_t end = t.blockAlign; end <= s.size(); end += t.blockAlign) {
        const size_t tr = end - t.blockTrailerSize;
        const size_t cb = u16(s, tr);
        if (cb == 0 || cb > t.maxBlockData) continue;
        const size_t alloc =
            (cb + t.blockTrailerSize + t.blockAlign - 1) / t.blockAlign * t.blockAlign;
        if (alloc > end) continue;
        const size_t ib = end - alloc;
        const uint64_t bid = uint(s, tr + idAt, t.idSize);
        if (u16(s, tr + 2) != signature(ib, bid & ~uint64_t{1})) continue;
        const size_t crcAt = crcField(t, tr);
        if (crcOf(s, ib, cb) == uint(s, crcAt, 4)) blocks.push_back({ib, cb, crcAt});
    }
    return blocks;
}

}  // namespace

std::vector<Damaged> damagedVariants(const std::string& file, uint64_t seed, int cuts, int flips,
                                     int fixed) {
    std::vector<Damaged> out;
    if (file.size() < pst::Header::kReadSize) return out;
    const pst::Header header = pst::Header::parse(
        pst::Bytes(reinterpret_cast<const uint8_t*>(file.data()), pst::Header::kReadSize));
    const pst::FormatTraits& t = pst::FormatTraits::of(header.format);
    std::mt19937_64 random(seed);
    auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };

    for (int i = 1; i <= cuts; ++i) {
        const size_t at = file.size() * static_cast<size_t>(i) / static_cast<size_t>(cuts + 1);
        out.push_back({"cut-" + std::to_string(at), file.substr(0, at)});
    }
    for (int i = 0; i < flips; ++i) {
        size_t at = 0;
        for (int tries = 0; tries < 100 && file[at] == 0; ++tries) at = pick(file.size());
        Damaged d{"flip-" + std::to_string(at), file};
        d.bytes[at] = static_cast<char>(d.bytes[at] ^ (1 << pick(8)));
        out.push_back(std::move(d));
    }
    const std::vector<Region> pages = pagesOf(file, t);
    const std::vector<Region> blocks = blocksOf(file, t);
    for (int i = 0; i < fixed; ++i) {
        const bool page = (i % 2 == 0 && !pages.empty()) || blocks.empty();
        if (page && pages.empty()) break;
        const Region& r = page ? pages[pick(pages.size())] : blocks[pick(blocks.size())];
        // In a page, its entries or the counters after them; in a block, any byte.
        const size_t at = r.at + (page ? pick(t.btEntriesSize + 4) : pick(r.size));
        Damaged d{std::string(page ? "page" : "block") + "-fixed-" + std::to_string(at), file};
        d.bytes[at] = static_cast<char>(d.bytes[at] ^ (1 + pick(255)));
        putU32(d.bytes, r.crcAt, crcOf(d.bytes, r.at, r.size));
        out.push_back(std::move(d));
    }
    return out;
}

}  // namespace pellmark::fuzz
