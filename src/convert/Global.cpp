#include "convert/Global.h"

#include <filesystem>
#include <random>

namespace pellmark::convert {

bool EnsureDirectory(const std::string& path) {
    if (path.empty()) return false;
    std::string withSlash = path;
    if (withSlash.back() != '/') withSlash += '/';
    std::error_code ec;
    std::filesystem::create_directories(withSlash, ec);
    return std::filesystem::is_directory(withSlash, ec);
}

int32_t RandomBetween(int32_t low, int32_t high) {
    static std::mt19937 generator;  // default seed on purpose: see the header
    const double fraction = std::generate_canonical<double, 53>(generator);
    const double span = static_cast<double>(high) - static_cast<double>(low) + 1.0;
    auto value = static_cast<int64_t>(fraction * span) + low;
    // generate_canonical may return exactly 1.0 on some libraries; keep the upper bound.
    if (value > high) value = high;
    return static_cast<int32_t>(value);
}

}  // namespace pellmark::convert
