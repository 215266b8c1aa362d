#include "base/Text.h"

namespace pellmark::base {

std::string trimmed(std::string_view text, std::string_view blanks) {
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(blanks) - first + 1));
}

std::string percentEncoded(std::string_view text, bool (*keep)(char)) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (keep(c)) {
            out += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            out += {'%', hex[byte >> 4], hex[byte & 0x0F]};
        }
    }
    return out;
}

}  // namespace pellmark::base
