#include "formats/text/DateFormat.h"

#include <cstdio>
#include <ctime>

namespace pellmark::formats {
namespace {

constexpr const char* kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
constexpr const char* kMonths[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};
constexpr int64_t kFiletimeUnixEpoch = 116444736000000000LL;

std::tm localOf(uint64_t filetime) {
    const std::time_t t = static_cast<std::time_t>(unixTime(filetime));
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

}  // namespace

int64_t unixTime(uint64_t filetime) {
    return (static_cast<int64_t>(filetime) - kFiletimeUnixEpoch) / 10'000'000;
}

std::string formatDateTime(uint64_t filetime) {
    const std::tm tm = localOf(filetime);
    const int hour12 = tm.tm_hour % 12 == 0 ? 12 : tm.tm_hour % 12;
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s, %s %d, %d %d:%02d %s", kDays[tm.tm_wday],
                  kMonths[tm.tm_mon], tm.tm_mday, tm.tm_year + 1900, hour12, tm.tm_min,
                  tm.tm_hour < 12 ? "AM" : "PM");
    return buf;
}

std::string formatDate(uint64_t filetime) {
    const std::time_t t = static_cast<std::time_t>(unixTime(filetime) + 12 * 3600);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s, %s %d, %d", kDays[tm.tm_wday], kMonths[tm.tm_mon],
                  tm.tm_mday, tm.tm_year + 1900);
    return buf;
}

std::string formatRfc5322(uint64_t filetime) {
    const std::tm tm = localOf(filetime);
    char buf[64];
    std::strftime(buf, sizeof buf, "%a, %d %b %Y %H:%M:%S %z", &tm);  // %a/%b are C-locale names
    return buf;
}

}  // namespace pellmark::formats
