#pragma once
// The damage people bring to a converter, made on purpose: copies cut short, changed bytes,
// and "checksum-fixed" changes, whose page or block CRC is computed again so that only the
// reader's structural checks can find them. The fuzz corpus is seeded with them
// (fuzz/make_corpus) and the test suite exports every one of them.

#include <cstdint>
#include <string>
#include <vector>

namespace pellmark::fuzz {

struct Damaged {
    std::string name;  // says what was done, e.g. "cut-4096", "page-fixed-0x4600"
    std::string bytes;
};

// Variants of the PST file `file`, the same for the same `seed`: `cuts` truncations spread
// over the file, `flips` changed bytes in places that hold data, and `fixed` changes inside
// B-tree pages and data blocks with their CRCs made to match again.
std::vector<Damaged> damagedVariants(const std::string& file, uint64_t seed, int cuts, int flips,
                                     int fixed);

}  // namespace pellmark::fuzz
