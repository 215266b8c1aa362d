#pragma once
// Procedures shared by the conversion steps: making directories and drawing file numbers.

#include <cstdint>
#include <string>

namespace pellmark::convert {

// Creates `path` and every missing parent. True when the directory exists afterwards; never
// throws and shows nothing.
bool EnsureDirectory(const std::string& path);

// A pseudo-random whole number from `low` to `high`, both included. The generator is never
// seeded, so every program run draws the same sequence.
int32_t RandomBetween(int32_t low, int32_t high);

}  // namespace pellmark::convert
