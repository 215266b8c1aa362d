#include "formats/mime/DateHeader.h"

#include <cctype>
#include <optional>
#include <string>
#include <vector>

#include "base/AsciiCase.h"

namespace pellmark::formats {
namespace {

// The value as words: comments (which nest, RFC 5322 3.2.2) and folding dropped, and a comma
// or colon kept as a word of its own so the grammar below can see it.
std::optional<std::vector<std::string>> words(std::string_view value) {
    std::vector<std::string> out;
    std::string word;
    int depth = 0;
    auto flush = [&] {
        if (!word.empty()) out.push_back(std::move(word));
        word.clear();
    };
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' && depth > 0) {
            ++i;
        } else if (c == '(') {
            flush();
            ++depth;
        } else if (c == ')') {
            if (--depth < 0) return std::nullopt;
        } else if (depth == 0) {
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                flush();
            } else if (c == ',') {
                flush();
                out.emplace_back(",");
            } else {
                word += c;
            }
        }
    }
    if (depth != 0) return std::nullopt;
    flush();
    return out;
}

bool isNumber(const std::string& s, size_t minDigits, size_t maxDigits, int low, int high) {
    if (s.size() < minDigits || s.size() > maxDigits) return false;
    for (char c : s) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    const int v = std::stoi(s);
    return v >= low && v <= high;
}

bool isOneOf(const std::string& s, std::initializer_list<const char*> names) {
    for (const char* n : names) {
        if (base::equalsNoCase(s, n)) return true;
    }
    return false;
}

// hour ":" minute [":" second] (RFC 5322 3.3; leap second allowed).
bool isTimeOfDay(const std::string& s) {
    const size_t a = s.find(':'), b = s.find(':', a + 1);
    if (a == std::string::npos) return false;
    const std::string minute =
        s.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1);
    return isNumber(s.substr(0, a), 2, 2, 0, 23) && isNumber(minute, 2, 2, 0, 59) &&
           (b == std::string::npos || isNumber(s.substr(b + 1), 2, 2, 0, 60));
}

// ("+" / "-") 4DIGIT, or an obsolete zone name (RFC 5322 4.3), military letters included.
bool isZone(const std::string& s) {
    if (s.size() == 5 && (s[0] == '+' || s[0] == '-')) {
        return isNumber(s.substr(1, 2), 2, 2, 0, 99) && isNumber(s.substr(3), 2, 2, 0, 59);
    }
    if (s.size() == 1)
        return std::isalpha(static_cast<unsigned char>(s[0])) && s != "j" && s != "J";
    return isOneOf(s, {"UT", "GMT", "EST", "EDT", "CST", "CDT", "MST", "MDT", "PST", "PDT"});
}

}  // namespace

bool isRfc5322DateTime(std::string_view value) {
    const auto w = words(value);
    if (!w) return false;
    size_t i = 0;
    if (w->size() >= 2 && (*w)[1] == ",") {
        if (!isOneOf((*w)[0], {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"})) return false;
        i = 2;
    }
    if (w->size() != i + 5) return false;
    const auto& day = (*w)[i];
    const auto& month = (*w)[i + 1];
    const auto& year = (*w)[i + 2];
    return isNumber(day, 1, 2, 1, 31) &&
           isOneOf(month, {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct",
                           "Nov", "Dec"}) &&
           (isNumber(year, 4, 4, 1900, 9999) || isNumber(year, 2, 3, 0, 999)) &&
           isTimeOfDay((*w)[i + 3]) && isZone((*w)[i + 4]);
}

}  // namespace pellmark::formats
