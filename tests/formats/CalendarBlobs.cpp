#include "CalendarBlobs.h"

#include <algorithm>

#include "formats/calendar/CalendarTime.h"
#include "mapi/Guid.h"
#include "mapi/NamedIds.h"
#include "mapi/Tags.h"

namespace pellmark::test {

namespace {

using formats::calendar::EndType;
using formats::calendar::kMinutesPerDay;
using formats::calendar::PatternType;

// Little-endian bytes.
struct Bytes {
    std::vector<uint8_t> out;
    Bytes& u8(uint32_t v) {
        out.push_back(static_cast<uint8_t>(v));
        return *this;
    }
    Bytes& u16(uint32_t v) { return u8(v).u8(v >> 8); }
    Bytes& u32(uint64_t v) {
        return u16(static_cast<uint32_t>(v)).u16(static_cast<uint32_t>(v >> 16));
    }
    Bytes& systemTime(const ZoneTransition& t) {
        return u16(0).u16(t.month).u16(t.dayOfWeek).u16(t.week).u16(t.hour).u16(0).u16(0).u16(0);
    }
    Bytes& narrow(const std::string& s) {
        u16(s.size() + 1).u16(s.size());
        for (char c : s) u8(static_cast<uint8_t>(c));
        return *this;
    }
    Bytes& wide(const std::string& s) {
        u16(s.size());
        for (char c : s) u16(static_cast<uint8_t>(c));
        return *this;
    }
};

constexpr uint16_t kOverrideSubject = 0x0001;

int64_t dayOf(int64_t minutes) {
    return minutes - minutes % kMinutesPerDay;
}

}  // namespace

std::vector<uint8_t> zoneDefinition(const std::u16string& keyName,
                                    const std::vector<ZoneRule>& rules) {
    Bytes b;
    b.u8(0x02).u8(0x01).u16(6 + 2 * keyName.size()).u16(2).u16(keyName.size());
    for (char16_t c : keyName) b.u16(c);
    b.u16(rules.size());
    for (size_t i = 0; i < rules.size(); ++i) {
        const ZoneRule& r = rules[i];
        // The last rule is the one in force.
        b.u8(0x02).u8(0x01).u16(0x3E).u16(i + 1 == rules.size() ? 0x0002 : 0).u16(r.fromYear);
        for (int k = 0; k < 14; ++k) b.u8(0);
        b.u32(static_cast<uint32_t>(r.bias)).u32(0).u32(static_cast<uint32_t>(r.daylightBias));
        b.systemTime(r.toStandard).systemTime(r.toDaylight);
    }
    return b.out;
}

std::vector<uint8_t> easternWithHistory() {
    return zoneDefinition(u"Eastern Standard Time",
                          {{1601, 300, -60, {10, 0, 5, 2}, {4, 0, 1, 2}},
                           {2007, 300, -60, {11, 0, 1, 2}, {3, 0, 2, 2}}});
}

std::vector<uint8_t> recurrenceBlob(const SeriesSpec& s) {
    std::vector<int64_t> deleted = s.deleted, modified;
    for (const auto& c : s.changes) {
        deleted.push_back(dayOf(c.originalStart));
        modified.push_back(dayOf(c.start));
    }
    std::sort(deleted.begin(), deleted.end());
    std::sort(modified.begin(), modified.end());
    const bool daily = s.patternType == PatternType::Day;
    Bytes b;
    b.u16(0x3004).u16(0x3004).u16(static_cast<uint16_t>(s.frequency));
    b.u16(static_cast<uint16_t>(s.patternType)).u16(0).u32(0);
    b.u32(daily ? s.period * kMinutesPerDay : s.period).u32(0);
    switch (s.patternType) {
        case PatternType::Week:
            b.u32(s.daysOfWeek);
            break;
        case PatternType::Month:
        case PatternType::MonthEnd:
            b.u32(s.dayOfMonth);
            break;
        case PatternType::MonthNth:
            b.u32(s.daysOfWeek).u32(s.nth);
            break;
        default:
            break;
    }
    const uint32_t endType = s.endType == EndType::ByDate       ? 0x2021
                             : s.endType == EndType::AfterCount ? 0x2022
                                                                : 0x2023;
    b.u32(endType).u32(s.count).u32(s.firstDayOfWeek);
    b.u32(deleted.size());
    for (int64_t d : deleted) b.u32(d);
    b.u32(modified.size());
    for (int64_t d : modified) b.u32(d);
    const int64_t never = formats::calendar::minutesOf(4500, 8, 31);
    b.u32(s.startDate).u32(s.endType == EndType::ByDate ? s.endDate : never);
    b.u32(0x3006).u32(0x3009).u32(s.startMinute).u32(s.endMinute).u16(s.changes.size());
    for (const auto& c : s.changes) {
        b.u32(c.start).u32(c.end).u32(c.originalStart);
        b.u16(c.subject.empty() ? 0 : kOverrideSubject);
        if (!c.subject.empty()) b.narrow(c.subject);
    }
    b.u32(0);  // ReservedBlock1
    for (const auto& c : s.changes) {
        b.u32(4).u32(0).u32(0);  // change highlight, ReservedBlockEE1
        if (c.subject.empty()) continue;
        b.u32(c.start).u32(c.end).u32(c.originalStart).wide(c.subject).u32(0);
    }
    b.u32(0);  // ReservedBlock2
    return b.out;
}

PlainItem seriesItem(const std::string& subject, std::vector<uint8_t> recurrence,
                     std::vector<uint8_t> zone, bool allDay) {
    PlainItem item;
    const std::string cls = "IPM.Appointment";
    item.set(mapi::makeTag(mapi::prop::kMessageClass, mapi::PropType::String8),
             {cls.begin(), cls.end()});
    item.set(mapi::makeTag(mapi::prop::kSubject, mapi::PropType::String8),
             {subject.begin(), subject.end()});
    // A search key of its own: the item's UID.
    std::vector<uint8_t> key(subject.begin(), subject.end());
    item.set(mapi::makeTag(mapi::prop::kSearchKey, mapi::PropType::Binary), key);
    uint16_t id = 0x8000;
    auto named = [&](uint32_t lid, mapi::PropType type, std::vector<uint8_t> bytes) {
        item.names[id] = mapi::NamedProperty{mapi::psetid::kAppointment, false, lid, {}};
        item.set(mapi::makeTag(id++, type), std::move(bytes));
    };
    named(mapi::lid::kAppointmentRecur, mapi::PropType::Binary, std::move(recurrence));
    if (!zone.empty())
        named(mapi::lid::kAppointmentTimeZoneDefinitionRecur, mapi::PropType::Binary,
              std::move(zone));
    if (allDay) named(mapi::lid::kAppointmentSubType, mapi::PropType::Boolean, {1, 0});
    return item;
}

}  // namespace pellmark::test
