// PidLidRecurrencePattern: a series' rule in the words Outlook's English version shows.

#include <cstdio>

#include "pstwriter/messaging/RecurrenceBlob.h"

namespace pellmark::pstwriter {
namespace {

constexpr const char* kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};
constexpr const char* kMonthNames[] = {"January",   "February", "March",    "April",
                                       "May",       "June",     "July",     "August",
                                       "September", "October",  "November", "December"};
constexpr const char* kOrdinals[] = {"first", "second", "third", "fourth", "last"};
constexpr uint32_t kWeekdays = 0x3E;

std::string dayList(uint32_t days) {
    if (days == kWeekdays) return "weekday";
    if (days == 0x7F) return "day";
    std::vector<std::string> names;
    for (unsigned d = 0; d < 7; ++d) {
        if (days & (1u << d)) names.emplace_back(kDayNames[d]);
    }
    std::string out;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) out += i + 1 == names.size() ? " and " : ", ";
        out += names[i];
    }
    return out;
}

std::string clock(uint32_t minutes) {
    minutes %= 24 * 60;
    const unsigned hour = minutes / 60 % 12 == 0 ? 12 : minutes / 60 % 12;
    char text[16];
    std::snprintf(text, sizeof text, "%u:%02u %s", hour, minutes % 60, minutes < 720 ? "AM" : "PM");
    return text;
}

std::string monthName(uint32_t month) {
    return month >= 1 && month <= 12 ? kMonthNames[month - 1] : "";
}

std::string ordinal(uint32_t nth) {
    return kOrdinals[nth >= 5 || nth == 0 ? 4 : nth - 1];
}

}  // namespace

std::string recurrenceText(const RecurrenceRule& r, std::optional<uint32_t> startOffset,
                           std::optional<uint32_t> endOffset) {
    const std::string n = std::to_string(r.interval);
    std::string text;
    switch (r.kind) {
        case RecurrenceKind::Daily:
            text = r.days != 0       ? "every " + dayList(r.days)
                   : r.interval == 1 ? "every day"
                                     : "every " + n + " days";
            break;
        case RecurrenceKind::Weekly:
            text = r.interval == 1 ? "every " + dayList(r.days)
                                   : "every " + n + " weeks on " + dayList(r.days);
            break;
        case RecurrenceKind::Monthly:
            text = "day " + std::to_string(r.dayOfMonth) + " of every " + n + " month(s)";
            break;
        case RecurrenceKind::MonthNth:
            text = "the " + ordinal(r.nth) + " " + dayList(r.days) + " of every " + n + " month(s)";
            break;
        case RecurrenceKind::Yearly:
            text = "every " + monthName(r.month) + " " + std::to_string(r.dayOfMonth);
            break;
        case RecurrenceKind::YearlyNth:
            text = "the " + ordinal(r.nth) + " " + dayList(r.days) + " of " + monthName(r.month);
            break;
    }
    if (startOffset && endOffset)
        text += " from " + clock(*startOffset) + " to " + clock(*endOffset);
    return text;
}

}  // namespace pellmark::pstwriter
