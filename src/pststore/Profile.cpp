#include "pststore/Profile.h"

#include <cstdlib>
#include <fstream>

#include "store/MailStore.h"

namespace pellmark::pststore {

std::filesystem::path profilePath() {
    std::filesystem::path base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::filesystem::path(home) / ".config";
    } else {
        base = "/nonexistent";
    }
    return base / "pellmark" / "profile";
}

std::vector<std::string> readProfile(const std::filesystem::path& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found) return {};
    std::ifstream in(path);
    if (ec || !std::filesystem::is_regular_file(status) || !in) {
        throw store::StoreError("the profile " + path.string() + " cannot be read");
    }
    std::vector<std::string> paths;
    for (std::string line; std::getline(in, line);) {
        while (!line.empty() &&
               (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
            line.pop_back();
        }
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == ';') continue;
        paths.push_back(line.substr(start));
    }
    if (in.bad()) throw store::StoreError("the profile " + path.string() + " cannot be read");
    return paths;
}

}  // namespace pellmark::pststore
