#pragma once
// Times as Outlook's calendar blobs count them: whole minutes since 1601-01-01 00:00, in UTC or
// in the appointment's own zone as the field says. Civil dates through std::chrono's
// proleptic Gregorian calendar.

#include <cstdint>

namespace pellmark::formats::calendar {

inline constexpr int64_t kMinutesPerDay = 1440;

struct CivilTime {
    int year = 1601;
    unsigned month = 1;  // 1..12
    unsigned day = 1;    // 1..31
    unsigned hour = 0;
    unsigned minute = 0;
};

CivilTime civilOf(int64_t minutes);
int64_t minutesOf(int year, unsigned month, unsigned day, unsigned hour = 0, unsigned minute = 0);
// 0 for Sunday .. 6 for Saturday.
unsigned weekdayOf(int64_t minutes);
// Days in `month` of `year`.
unsigned daysInMonth(int year, unsigned month);
// A FILETIME (100 ns since 1601 UTC) in whole minutes.
inline int64_t minutesOfFileTime(uint64_t fileTime) {
    return static_cast<int64_t>(fileTime / 600'000'000u);
}

}  // namespace pellmark::formats::calendar
