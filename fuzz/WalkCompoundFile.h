#pragma once
// Reads everything a compound file holds: every storage, every stream whole and in pieces;
// then, when it read without fault, copies it through the writer and reads the copy back,
// which must hold the same. The fuzz target runs it on mutated files; the test suite runs it on
// every input the fuzzer found a fault with.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pellmark::fuzz {

struct CompoundWalk {
    size_t storages = 0;
    size_t streams = 0;
    size_t bytes = 0;
    size_t errors = 0;  // CfbErrors (expected on damaged input)
};

// Never throws for a damaged file; aborts when the copy differs from what was read.
CompoundWalk walkCompoundFile(const std::vector<uint8_t>& bytes);

}  // namespace pellmark::fuzz
