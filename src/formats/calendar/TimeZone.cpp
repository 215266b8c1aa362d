#include "formats/calendar/TimeZone.h"

#include <unicode/ucal.h>

#include <algorithm>

#include "formats/calendar/BlobReader.h"
#include "formats/calendar/CalendarTime.h"
#include "mapi/CodepageText.h"

namespace pellmark::formats::calendar {

namespace {

constexpr uint8_t kDefinitionMajorVersion = 0x02;
constexpr uint16_t kRuleEffective = 0x0002;
constexpr size_t kRuleSize = 66;

Transition readSystemTime(BlobReader& in, const char* field) {
    Transition t;
    t.year = in.u16(field);
    t.month = in.u16(field);
    t.dayOfWeek = in.u16(field);
    t.day = in.u16(field);
    t.hour = in.u16(field);
    t.minute = in.u16(field);
    in.skip(4, field);  // seconds and milliseconds
    if (t.month > 12 || t.dayOfWeek > 6 || t.day > 31 || t.hour > 23 || t.minute > 59)
        in.fail(field, "not a time");
    if (t.month != 0 && t.year == 0 && (t.day < 1 || t.day > 5))
        in.fail(field, "not a week of the month");
    return t;
}

void readBiasesAndDates(BlobReader& in, TimeZoneRule& rule, bool yearsBetween) {
    rule.bias = in.i32("lBias");
    rule.standardBias = in.i32("lStandardBias");
    rule.daylightBias = in.i32("lDaylightBias");
    if (yearsBetween) in.skip(2, "wStandardYear");
    rule.toStandard = readSystemTime(in, "stStandardDate");
    if (yearsBetween) in.skip(2, "wDaylightYear");
    rule.toDaylight = readSystemTime(in, "stDaylightDate");
    // Offsets beyond a day are no zone's.
    if (std::abs(rule.standardOffset()) > 24 * 60 || std::abs(rule.daylightOffset()) > 24 * 60)
        in.fail("lBias", "offset beyond a day");
}

}  // namespace

int64_t transitionIn(int year, const Transition& t) {
    if (t.year != 0)
        return minutesOf(t.year, t.month, std::min<unsigned>(t.day, daysInMonth(t.year, t.month)),
                         t.hour, t.minute);
    int64_t first = minutesOf(year, t.month, 1);
    unsigned firstWeekday = weekdayOf(first);
    unsigned day = 1 + (t.dayOfWeek + 7 - firstWeekday) % 7 + 7 * (t.day - 1u);
    while (day > daysInMonth(year, t.month)) day -= 7;  // week 5: the last
    return minutesOf(year, t.month, day, t.hour, t.minute);
}

const TimeZoneRule& TimeZoneDefinition::ruleFor(int year) const {
    const TimeZoneRule* found = &rules.front();
    for (const TimeZoneRule& rule : rules) {
        if (rule.fromYear <= year) found = &rule;
    }
    return *found;
}

bool TimeZoneDefinition::isDaylightAtUtc(int64_t utc) const {
    int year = civilOf(utc + ruleFor(civilOf(utc).year).standardOffset()).year;
    const TimeZoneRule& rule = ruleFor(year);
    if (!rule.hasDaylight()) return false;
    int64_t daylightStarts = transitionIn(year, rule.toDaylight) - rule.standardOffset();
    int64_t daylightEnds = transitionIn(year, rule.toStandard) - rule.daylightOffset();
    if (daylightStarts < daylightEnds) return utc >= daylightStarts && utc < daylightEnds;
    return utc >= daylightStarts || utc < daylightEnds;  // the southern hemisphere
}

int TimeZoneDefinition::offsetAtUtc(int64_t utc) const {
    const TimeZoneRule& rule = ruleFor(civilOf(utc).year);
    return isDaylightAtUtc(utc) ? rule.daylightOffset() : rule.standardOffset();
}

int64_t TimeZoneDefinition::toUtc(int64_t local) const {
    const TimeZoneRule& rule = ruleFor(civilOf(local).year);
    int64_t asDaylight = local - rule.daylightOffset();
    if (rule.hasDaylight() && isDaylightAtUtc(asDaylight)) return asDaylight;
    return local - rule.standardOffset();
}

TimeZoneDefinition parseTimeZoneDefinition(std::span<const uint8_t> blob) {
    BlobReader in(blob, "time zone definition");
    TimeZoneDefinition zone;
    if (in.u8("bMajorVersion") != kDefinitionMajorVersion)
        in.fail("bMajorVersion", "not a version Outlook writes");
    in.u8("bMinorVersion");
    uint16_t headerSize = in.u16("cbHeader");
    size_t headerEnd = in.offset() + headerSize;
    in.u16("wReserved");
    uint16_t keyChars = in.u16("cchKeyName");
    zone.keyName = mapi::utf16ToUtf8(in.bytes(size_t{keyChars} * 2, "KeyName"));
    uint16_t ruleCount = in.u16("cRules");
    if (in.offset() > headerEnd) in.fail("cbHeader", "smaller than the header");
    in.skip(headerEnd - in.offset(), "cbHeader");
    if (ruleCount == 0) in.fail("cRules", "no rule");
    if (ruleCount > in.left() / kRuleSize) in.fail("cRules", "count runs past the end");
    for (uint16_t i = 0; i < ruleCount; ++i) {
        TimeZoneRule rule;
        in.u8("TZRule.bMajorVersion");
        in.u8("TZRule.bMinorVersion");
        in.u16("TZRule.wReserved");
        in.u16("TZRule.wTZRuleFlags");
        rule.fromYear = in.u16("TZRule.wYear");
        in.skip(14, "TZRule.X");
        readBiasesAndDates(in, rule, false);
        zone.rules.push_back(rule);
    }
    std::stable_sort(
        zone.rules.begin(), zone.rules.end(),
        [](const TimeZoneRule& a, const TimeZoneRule& b) { return a.fromYear < b.fromYear; });
    return zone;
}

TimeZoneDefinition parseTimeZoneStruct(std::span<const uint8_t> blob, std::string keyName) {
    BlobReader in(blob, "time zone structure");
    TimeZoneDefinition zone;
    zone.keyName = std::move(keyName);
    TimeZoneRule rule;
    readBiasesAndDates(in, rule, true);
    zone.rules.push_back(rule);
    return zone;
}

std::optional<std::string> ianaZoneOf(std::string_view windowsName) {
    if (windowsName.empty()) return std::nullopt;
    std::u16string windowsId = mapi::utf8ToUtf16(windowsName);
    UChar id[128];
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = ucal_getTimeZoneIDForWindowsID(
        reinterpret_cast<const UChar*>(windowsId.data()), static_cast<int32_t>(windowsId.size()),
        nullptr, id, static_cast<int32_t>(std::size(id)), &status);
    if (U_FAILURE(status) || length <= 0 || length >= static_cast<int32_t>(std::size(id)))
        return std::nullopt;
    std::string name;
    for (int32_t i = 0; i < length; ++i) name += static_cast<char>(id[i]);  // IANA names are ASCII
    return name;
}

}  // namespace pellmark::formats::calendar
