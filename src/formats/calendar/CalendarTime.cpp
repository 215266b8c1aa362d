#include "formats/calendar/CalendarTime.h"

#include <chrono>

namespace pellmark::formats::calendar {

namespace {

using namespace std::chrono;

constexpr sys_days kEpoch = sys_days{year{1601} / January / 1};

int64_t floorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

}  // namespace

CivilTime civilOf(int64_t minutes) {
    int64_t days = floorDiv(minutes, kMinutesPerDay);
    int64_t inDay = minutes - days * kMinutesPerDay;
    year_month_day date{kEpoch + std::chrono::days{days}};
    return {static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
            static_cast<unsigned>(date.day()), static_cast<unsigned>(inDay / 60),
            static_cast<unsigned>(inDay % 60)};
}

int64_t minutesOf(int y, unsigned m, unsigned d, unsigned hour, unsigned minute) {
    sys_days date{year{y} / month{m} / day{d}};
    return int64_t{(date - kEpoch).count()} * kMinutesPerDay + hour * 60 + minute;
}

unsigned weekdayOf(int64_t minutes) {
    sys_days date = kEpoch + std::chrono::days{floorDiv(minutes, kMinutesPerDay)};
    return weekday{date}.c_encoding();
}

unsigned daysInMonth(int y, unsigned m) {
    return static_cast<unsigned>(year_month_day_last{year{y} / month{m} / last}.day());
}

}  // namespace pellmark::formats::calendar
