#include "export/DateRange.h"

#include <charconv>

namespace pellmark::exporting {

std::optional<DateRange::Time> startOfDay(const std::string& text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    int y = 0;
    unsigned m = 0, d = 0;
    const char* s = text.data();
    auto number = [&](const char* from, const char* to, auto& value) {
        auto [end, ec] = std::from_chars(from, to, value);
        return ec == std::errc() && end == to;
    };
    if (!number(s, s + 4, y) || !number(s + 5, s + 7, m) || !number(s + 8, s + 10, d)) {
        return std::nullopt;
    }
    const std::chrono::year_month_day day{std::chrono::year(y), std::chrono::month(m),
                                          std::chrono::day(d)};
    if (!day.ok()) return std::nullopt;
    return std::chrono::sys_days(day);
}

}  // namespace pellmark::exporting
