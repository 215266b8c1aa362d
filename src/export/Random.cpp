#include "export/Random.h"

#include <random>

namespace pellmark::exporting {

int32_t randomBetween(int32_t low, int32_t high) {
    static std::mt19937 generator;  // default seed on purpose: see the header
    const double fraction = std::generate_canonical<double, 53>(generator);
    const double span = static_cast<double>(high) - static_cast<double>(low) + 1.0;
    auto value = static_cast<int64_t>(fraction * span) + low;
    // generate_canonical may return exactly 1.0 on some libraries; keep the upper bound.
    if (value > high) value = high;
    return static_cast<int32_t>(value);
}

}  // namespace pellmark::exporting
