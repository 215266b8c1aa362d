#include "pstwriter/messaging/RecurrenceBlob.h"

#include <algorithm>
#include <stdexcept>

#include "formats/calendar/CalendarTime.h"
#include "pstwriter/ltp/ValueEncoder.h"

namespace pellmark::pstwriter {
namespace {

using formats::calendar::civilOf;
using formats::calendar::daysInMonth;
using formats::calendar::kMinutesPerDay;
using formats::calendar::minutesOf;

constexpr uint16_t kPatternVersion = 0x3004;
constexpr uint32_t kReaderVersion2 = 0x3006;
constexpr uint32_t kWriterVersion2 = 0x3009;  // with the change highlight
constexpr uint32_t kEndByDate = 0x2021;
constexpr uint32_t kEndAfterCount = 0x2022;
constexpr uint32_t kNeverEnds = 0x2023;
constexpr uint32_t kNeverEndsDate = 0x5AE980DF;  // 4500-08-31, as Outlook writes it
constexpr uint32_t kNeverEndsCount = 10;
constexpr uint32_t kMaxInstances = 100000;
constexpr int64_t kDaysPerWeek = 7;

enum : uint16_t {
    kFrequencyDaily = 0x200A,
    kFrequencyWeekly = 0x200B,
    kFrequencyMonthly = 0x200C,
    kFrequencyYearly = 0x200D,
};
enum : uint16_t { kPatternDay = 0, kPatternWeek = 1, kPatternMonth = 2, kPatternMonthNth = 3 };
enum : uint16_t {
    kOverrideSubject = 0x0001,
    kOverrideLocation = 0x0010,
    kOverrideBusyStatus = 0x0020,
    kOverrideSubType = 0x0080,
    kOverrideBody = 0x0200,
};

int64_t floorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

unsigned weekdayOfDay(int64_t day) {
    return formats::calendar::weekdayOf(day * kMinutesPerDay);
}

int64_t monthIndexOf(int64_t day) {
    const auto c = civilOf(day * kMinutesPerDay);
    return int64_t{c.year - 1601} * 12 + (c.month - 1);
}

int64_t dayOf(int year, unsigned month, unsigned dayOfMonth) {
    return minutesOf(year, month, dayOfMonth) / kMinutesPerDay;
}

bool usesWeeks(const RecurrenceRule& r) {
    return r.kind == RecurrenceKind::Weekly || (r.kind == RecurrenceKind::Daily && r.days != 0);
}

bool nthKind(RecurrenceKind k) {
    return k == RecurrenceKind::MonthNth || k == RecurrenceKind::YearlyNth;
}

// The rule's day in the month of `monthIndex`; nullopt where it has none there.
std::optional<int64_t> dayInMonth(const RecurrenceRule& r, int64_t monthIndex) {
    const int year = static_cast<int>(1601 + monthIndex / 12);
    const unsigned month = static_cast<unsigned>(monthIndex % 12) + 1;
    const unsigned length = daysInMonth(year, month);
    if (!nthKind(r.kind)) return dayOf(year, month, std::min(r.dayOfMonth, length));
    std::vector<int64_t> matching;
    for (unsigned d = 1; d <= length; ++d) {
        const int64_t day = dayOf(year, month, d);
        if (r.days & (1u << weekdayOfDay(day))) matching.push_back(day);
    }
    if (matching.empty()) return std::nullopt;
    if (r.nth >= 5) return matching.back();
    if (r.nth == 0 || r.nth > matching.size()) return std::nullopt;
    return matching[r.nth - 1];
}

int64_t monthPeriod(const RecurrenceRule& r) {
    return r.kind == RecurrenceKind::Yearly || r.kind == RecurrenceKind::YearlyNth
               ? 12 * int64_t{r.interval}
               : r.interval;
}

int64_t weekStartOf(int64_t day, uint32_t firstDayOfWeek) {
    return day - (weekdayOfDay(day) + 7 - firstDayOfWeek % 7) % 7;
}

void putDays(ByteBuffer& b, std::vector<int64_t> days) {
    std::sort(days.begin(), days.end());
    days.erase(std::unique(days.begin(), days.end()), days.end());
    b.u32(static_cast<uint32_t>(days.size()));
    for (int64_t d : days) b.u32(static_cast<uint32_t>(d * kMinutesPerDay));
}

void putNarrow(ByteBuffer& b, const std::string& text, int codepage) {
    const ByteVec bytes = toCodepage(text, codepage);
    b.u16(static_cast<uint16_t>(bytes.size() + 1));
    b.u16(static_cast<uint16_t>(bytes.size()));
    b.bytes(bytes);
}

void putWide(ByteBuffer& b, const std::string& text) {
    const ByteVec bytes = utf16le(text);
    b.u16(static_cast<uint16_t>(bytes.size() / 2));
    b.bytes(bytes);
}

}  // namespace

RecurrenceSeries::RecurrenceSeries(const RecurrenceRule& rule, int64_t fromDay) : rule_(rule) {
    if (rule_.interval == 0) throw std::invalid_argument("the interval must be at least 1");
    first_ = fromDay;
    // The first day of the rule's shape: within a week for weekly rules, else within some
    // months (an nth weekday exists in every month; day 31 falls on the last day).
    const int64_t limit = fromDay + 366 * 8;
    while (!shapeMatches(first_)) {
        if (++first_ > limit) throw std::invalid_argument("the rule gives no date");
    }
    if (rule_.untilDay && *rule_.untilDay < first_)
        throw std::invalid_argument("the series ends before its first instance");
    countInstances();
}

bool RecurrenceSeries::shapeMatches(int64_t day) const {
    const RecurrenceRule& r = rule_;
    switch (r.kind) {
        case RecurrenceKind::Daily:
            return r.days == 0 || (r.days & (1u << weekdayOfDay(day)));
        case RecurrenceKind::Weekly:
            return r.days & (1u << weekdayOfDay(day));
        default: {
            const int64_t month = monthIndexOf(day);
            if (r.month != 0 &&
                (r.kind == RecurrenceKind::Yearly || r.kind == RecurrenceKind::YearlyNth) &&
                month % 12 + 1 != r.month)
                return false;
            return dayInMonth(r, month) == day;
        }
    }
}

bool RecurrenceSeries::periodMatches(int64_t day) const {
    const RecurrenceRule& r = rule_;
    if (r.kind == RecurrenceKind::Daily && r.days == 0) return (day - first_) % r.interval == 0;
    if (usesWeeks(r)) {
        const int64_t weeks =
            (weekStartOf(day, r.firstDayOfWeek) - weekStartOf(first_, r.firstDayOfWeek)) /
            kDaysPerWeek;
        return weeks % (r.kind == RecurrenceKind::Daily ? 1 : r.interval) == 0;
    }
    return (monthIndexOf(day) - monthIndexOf(first_)) % monthPeriod(r) == 0;
}

bool RecurrenceSeries::isInstance(int64_t day) const {
    if (day < first_ || (last_ && day > *last_)) return false;
    return shapeMatches(day) && periodMatches(day);
}

void RecurrenceSeries::countInstances() {
    if (!rule_.count && !rule_.untilDay) return;
    const RecurrenceRule& r = rule_;
    uint32_t n = 0;
    std::optional<int64_t> last;
    auto take = [&](int64_t day) {
        if (day < first_) return true;
        if (r.untilDay && day > *r.untilDay) return false;
        if (r.count && n == *r.count) return false;
        if (++n > kMaxInstances)
            throw std::invalid_argument("more than 100000 instances before the series ends");
        last = day;
        return true;
    };
    bool more = true;
    if (r.kind == RecurrenceKind::Daily && r.days == 0) {
        for (int64_t day = first_; more; day += r.interval) more = take(day);
    } else if (usesWeeks(r)) {
        const int64_t step = kDaysPerWeek * (r.kind == RecurrenceKind::Daily ? 1 : r.interval);
        for (int64_t week = weekStartOf(first_, r.firstDayOfWeek); more; week += step) {
            for (int64_t day = week; more && day < week + kDaysPerWeek; ++day) {
                if (r.days & (1u << weekdayOfDay(day))) more = take(day);
            }
        }
    } else {
        for (int64_t month = monthIndexOf(first_); more; month += monthPeriod(r)) {
            if (auto day = dayInMonth(r, month)) more = take(*day);
        }
    }
    last_ = last;
    count_ = n;
}

ByteVec recurrencePatternBlob(const RecurrenceSeries& series, std::vector<int64_t> deletedDays,
                              std::vector<int64_t> modifiedDays) {
    const RecurrenceRule& r = series.rule();
    const int64_t first = series.firstDay();
    ByteBuffer b;
    b.u16(kPatternVersion);
    b.u16(kPatternVersion);
    uint16_t frequency = kFrequencyDaily;
    uint16_t pattern = kPatternDay;
    uint32_t period = r.interval;
    uint32_t firstDateTime = 0;
    switch (r.kind) {
        case RecurrenceKind::Daily:
            if (r.days == 0) {
                period = r.interval * kMinutesPerDay;
                firstDateTime = static_cast<uint32_t>(first * kMinutesPerDay % period);
            } else {  // every weekday: a week pattern of period 1
                pattern = kPatternWeek;
                period = 1;
            }
            break;
        case RecurrenceKind::Weekly:
            frequency = kFrequencyWeekly;
            pattern = kPatternWeek;
            break;
        case RecurrenceKind::Monthly:
        case RecurrenceKind::MonthNth:
            frequency = kFrequencyMonthly;
            pattern = r.kind == RecurrenceKind::Monthly ? kPatternMonth : kPatternMonthNth;
            break;
        case RecurrenceKind::Yearly:
        case RecurrenceKind::YearlyNth:
            frequency = kFrequencyYearly;
            pattern = r.kind == RecurrenceKind::Yearly ? kPatternMonth : kPatternMonthNth;
            period = 12 * r.interval;
            break;
    }
    if (pattern == kPatternWeek) {
        const int64_t weekStart = weekStartOf(first, r.firstDayOfWeek) * kMinutesPerDay;
        firstDateTime = static_cast<uint32_t>(weekStart % (int64_t{period} * 7 * kMinutesPerDay));
    } else if (pattern == kPatternMonth || pattern == kPatternMonthNth) {
        // The months from 1601 to the first instance's, modulo the period, as minutes.
        const int64_t months = monthIndexOf(first) % period;
        firstDateTime = static_cast<uint32_t>(minutesOf(static_cast<int>(1601 + months / 12),
                                                        static_cast<unsigned>(months % 12) + 1, 1));
    }
    b.u16(frequency);
    b.u16(pattern);
    b.u16(0);  // Gregorian
    b.u32(firstDateTime);
    b.u32(period);
    b.u32(0);  // not sliding
    if (pattern == kPatternWeek) b.u32(r.days);
    if (pattern == kPatternMonth) b.u32(r.dayOfMonth);
    if (pattern == kPatternMonthNth) {
        b.u32(r.days);
        b.u32(r.nth);
    }
    if (r.untilDay) {
        b.u32(kEndByDate);
        b.u32(series.instanceCount());
    } else if (r.count) {
        b.u32(kEndAfterCount);
        b.u32(*r.count);
    } else {
        b.u32(kNeverEnds);
        b.u32(kNeverEndsCount);
    }
    b.u32(r.firstDayOfWeek);
    putDays(b, std::move(deletedDays));
    putDays(b, std::move(modifiedDays));
    b.u32(static_cast<uint32_t>(first * kMinutesPerDay));
    // A series that ends by date keeps that date, one that ends after a count its last day.
    if (r.untilDay)
        b.u32(static_cast<uint32_t>(*r.untilDay * kMinutesPerDay));
    else if (series.lastDay())
        b.u32(static_cast<uint32_t>(*series.lastDay() * kMinutesPerDay));
    else
        b.u32(kNeverEndsDate);
    return b.take();
}

ByteVec appointmentRecurrenceBlob(const RecurrenceSeries& series, uint32_t startOffset,
                                  uint32_t endOffset, const std::vector<int64_t>& deletedStarts,
                                  std::vector<ExceptionFields> exceptions, int codepage) {
    std::sort(exceptions.begin(), exceptions.end(),
              [](const ExceptionFields& a, const ExceptionFields& b) { return a.start < b.start; });
    // Moved and changed instances count as deleted at their original day too.
    std::vector<int64_t> deleted, modified;
    for (int64_t s : deletedStarts) deleted.push_back(floorDiv(s, kMinutesPerDay));
    for (const ExceptionFields& e : exceptions) {
        deleted.push_back(floorDiv(e.originalStart, kMinutesPerDay));
        modified.push_back(floorDiv(e.start, kMinutesPerDay));
    }
    ByteBuffer b;
    b.bytes(recurrencePatternBlob(series, deleted, modified));
    b.u32(kReaderVersion2);
    b.u32(kWriterVersion2);
    b.u32(startOffset);
    b.u32(endOffset);
    b.u16(static_cast<uint16_t>(exceptions.size()));
    for (const ExceptionFields& e : exceptions) {
        b.u32(static_cast<uint32_t>(e.start));
        b.u32(static_cast<uint32_t>(e.end));
        b.u32(static_cast<uint32_t>(e.originalStart));
        uint16_t flags = 0;
        if (e.subject) flags |= kOverrideSubject;
        if (e.location) flags |= kOverrideLocation;
        if (e.busyStatus) flags |= kOverrideBusyStatus;
        if (e.allDay) flags |= kOverrideSubType;
        if (e.ownBody) flags |= kOverrideBody;
        b.u16(flags);
        if (e.subject) putNarrow(b, *e.subject, codepage);
        if (e.location) putNarrow(b, *e.location, codepage);
        if (e.busyStatus) b.u32(static_cast<uint32_t>(*e.busyStatus));
        if (e.allDay) b.u32(*e.allDay ? 1 : 0);
    }
    b.u32(0);  // ReservedBlock1
    for (const ExceptionFields& e : exceptions) {
        b.u32(4);  // the change highlight: its size and a value of none
        b.u32(0);
        b.u32(0);  // ReservedBlockEE1
        if (!e.subject && !e.location) continue;
        b.u32(static_cast<uint32_t>(e.start));
        b.u32(static_cast<uint32_t>(e.end));
        b.u32(static_cast<uint32_t>(e.originalStart));
        if (e.subject) putWide(b, *e.subject);
        if (e.location) putWide(b, *e.location);
        b.u32(0);  // ReservedBlockEE2
    }
    b.u32(0);  // ReservedBlock2
    return b.take();
}

int32_t recurrenceTypeOf(RecurrenceKind kind) {
    switch (kind) {
        case RecurrenceKind::Daily:
            return 1;
        case RecurrenceKind::Weekly:
            return 2;
        case RecurrenceKind::Monthly:
        case RecurrenceKind::MonthNth:
            return 3;
        default:
            return 4;
    }
}

}  // namespace pellmark::pstwriter
