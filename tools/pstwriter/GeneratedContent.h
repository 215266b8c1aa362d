#pragma once
// Deterministic attachment content of any size, produced on demand from a seed: the same
// seed and size always give the same bytes, so a test can check what a reader extracted
// without keeping a copy.

#include <cstdint>

#include "pstwriter/ltp/PropValue.h"

namespace pellmark::pstwriter {

class GeneratedContent : public ContentSource {
  public:
    // `text` content is printable ASCII lines; otherwise the bytes are uniformly random.
    GeneratedContent(uint64_t size, uint64_t seed, bool text = false)
        : size_(size), seed_(seed), text_(text) {}

    uint64_t size() const override { return size_; }
    void read(uint64_t offset, std::span<uint8_t> out) const override;
    ByteVec all() const;

  private:
    uint64_t size_;
    uint64_t seed_;
    bool text_;
};

// A small valid PNG image (8x8 pixels) for inline images and contact pictures.
const ByteVec& samplePng();

// splitmix64: a fast, well-mixed 64-bit sequence from any seed.
inline uint64_t mix64(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

}  // namespace pellmark::pstwriter
