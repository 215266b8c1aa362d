#pragma once
// Drawing the numbers of file names.

#include <cstdint>
#include <string>

namespace pellmark::exporting {

// A pseudo-random whole number from `low` to `high`, both included. The generator is never
// seeded, so every program run draws the same sequence.
int32_t randomBetween(int32_t low, int32_t high);

}  // namespace pellmark::exporting
