#include "cli/Json.h"

#include <cstdio>
#include <ctime>

#include "base/Utf8.h"

namespace pellmark::cli {

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t c = base::decodeUtf8(text, pos);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
            out += buf;
        } else {
            base::appendUtf8(out, c);
        }
    }
    return out + '"';
}

std::string jsonTime(const std::optional<store::ItemFacts::Time>& time) {
    if (!time) return "null";
    const std::time_t t = static_cast<std::time_t>(time->time_since_epoch().count());
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "\"%Y-%m-%dT%H:%M:%SZ\"", &tm);
    return buf;
}

}  // namespace pellmark::cli
