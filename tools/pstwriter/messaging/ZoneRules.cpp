#include "pstwriter/messaging/ZoneRules.h"

#include <unicode/basictz.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/tzrule.h>
#include <unicode/tztrans.h>
#include <unicode/ucal.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <tuple>

#include "formats/calendar/CalendarTime.h"
#include "mapi/CodepageText.h"
#include "pstwriter/ltp/ValueEncoder.h"

namespace pellmark::pstwriter {
namespace {

using formats::calendar::civilOf;
using formats::calendar::daysInMonth;
using formats::calendar::minutesOf;
using formats::calendar::TimeZoneDefinition;
using formats::calendar::TimeZoneRule;
using formats::calendar::Transition;
using formats::calendar::weekdayOf;

constexpr int kFirstYear = 2000;
constexpr int kLastYear = 2037;
constexpr uint16_t kOldestRuleYear = 1601;
constexpr uint16_t kRuleRecurCurrent = 0x0001;
constexpr uint16_t kRuleEffective = 0x0002;
constexpr double kMsPerMinute = 60000.0;
// Minutes between 1601-01-01 and 1970-01-01.
constexpr int64_t kUnixEpochMinutes = 194074560;

// Outlook's own texts for the zones the tests use; other zones get ICU's English name.
const std::map<std::string, std::string, std::less<>>& knownDescriptions() {
    static const std::map<std::string, std::string, std::less<>> table = {
        {"Eastern Standard Time", "(UTC-05:00) Eastern Time (US & Canada)"},
        {"Pacific Standard Time", "(UTC-08:00) Pacific Time (US & Canada)"},
        {"W. Europe Standard Time", "(UTC+01:00) Amsterdam, Berlin, Bern, Rome, Stockholm, Vienna"},
        {"GMT Standard Time", "(UTC+00:00) Dublin, Edinburgh, Lisbon, London"},
        {"Tokyo Standard Time", "(UTC+09:00) Osaka, Sapporo, Tokyo"},
        {"AUS Eastern Standard Time", "(UTC+10:00) Canberra, Melbourne, Sydney"},
        {"UTC", "(UTC) Coordinated Universal Time"}};
    return table;
}

std::string ascii(const UChar* text, int32_t length) {
    std::string out;
    for (int32_t i = 0; i < length; ++i) out += static_cast<char>(text[i]);  // zone ids are ASCII
    return out;
}

// The Windows name for `name`, which may be a Windows or an IANA name, and its IANA zone.
std::optional<std::pair<std::string, std::string>> resolveNames(std::string_view name) {
    if (auto iana = formats::calendar::ianaZoneOf(name)) return std::pair{std::string(name), *iana};
    std::u16string id = mapi::utf8ToUtf16(name);
    UChar windows[128];
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = ucal_getWindowsTimeZoneID(reinterpret_cast<const UChar*>(id.data()),
                                               static_cast<int32_t>(id.size()), windows,
                                               static_cast<int32_t>(std::size(windows)), &status);
    if (U_FAILURE(status) || length <= 0 || length >= static_cast<int32_t>(std::size(windows)))
        return std::nullopt;
    return std::pair{ascii(windows, length), std::string(name)};
}

double udateOf(int year, unsigned month, unsigned day) {
    return static_cast<double>(minutesOf(year, month, day) - kUnixEpochMinutes) * kMsPerMinute;
}

// A transition at local minute `local`, as a rule states it: the nth (5: the last) weekday of
// its month at that time of day.
Transition ruleTransition(int64_t local) {
    const auto c = civilOf(local);
    Transition t;
    t.month = static_cast<uint16_t>(c.month);
    t.dayOfWeek = static_cast<uint16_t>(weekdayOf(local));
    t.day =
        static_cast<uint16_t>(c.day + 7 > daysInMonth(c.year, c.month) ? 5 : (c.day - 1) / 7 + 1);
    t.hour = static_cast<uint16_t>(c.hour);
    t.minute = static_cast<uint16_t>(c.minute);
    return t;
}

// The rule `zone` follows in `year`: its standard offset at mid-year and the year's two
// daylight-saving transitions, where it has both.
TimeZoneRule ruleOfYear(const icu::BasicTimeZone& zone, int year) {
    TimeZoneRule rule;
    UErrorCode status = U_ZERO_ERROR;
    int32_t raw = 0, dst = 0;
    zone.getOffset(udateOf(year, 7, 1), false, raw, dst, status);
    rule.bias = -static_cast<int32_t>(std::lround(raw / kMsPerMinute));
    std::optional<Transition> toDaylight, toStandard;
    int32_t savings = 0;
    icu::TimeZoneTransition t;
    UDate from = udateOf(year, 1, 1) - 1;
    const UDate end = udateOf(year + 1, 1, 1);
    while (zone.getNextTransition(from, false, t) && t.getTime() < end) {
        from = t.getTime();
        const icu::TimeZoneRule* before = t.getFrom();
        const icu::TimeZoneRule* after = t.getTo();
        if (!before || !after) continue;
        const int64_t utc =
            kUnixEpochMinutes + static_cast<int64_t>(std::floor(from / kMsPerMinute));
        const int64_t local =
            utc + std::lround((before->getRawOffset() + before->getDSTSavings()) / kMsPerMinute);
        if (before->getDSTSavings() == 0 && after->getDSTSavings() != 0) {
            toDaylight = ruleTransition(local);
            savings = after->getDSTSavings();
        } else if (before->getDSTSavings() != 0 && after->getDSTSavings() == 0) {
            toStandard = ruleTransition(local);
        }
    }
    if (toDaylight && toStandard) {
        rule.toDaylight = *toDaylight;
        rule.toStandard = *toStandard;
        rule.daylightBias = -static_cast<int32_t>(std::lround(savings / kMsPerMinute));
    }
    return rule;
}

bool sameRule(const TimeZoneRule& a, const TimeZoneRule& b) {
    auto key = [](const TimeZoneRule& r) {
        const Transition& s = r.toStandard;
        const Transition& d = r.toDaylight;
        return std::tuple(r.bias, r.standardBias, r.daylightBias, s.month, s.dayOfWeek, s.day,
                          s.hour, s.minute, d.month, d.dayOfWeek, d.day, d.hour, d.minute);
    };
    return key(a) == key(b);
}

std::unique_ptr<WindowsZone> buildZone(const std::string& windowsName, const std::string& iana) {
    std::unique_ptr<icu::TimeZone> tz(
        icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(iana)));
    auto* basic = dynamic_cast<icu::BasicTimeZone*>(tz.get());
    if (!basic) return nullptr;
    auto zone = std::make_unique<WindowsZone>();
    zone->definition.keyName = windowsName;
    for (int year = kFirstYear; year <= kLastYear; ++year) {
        TimeZoneRule rule = ruleOfYear(*basic, year);
        auto& rules = zone->definition.rules;
        if (!rules.empty() && sameRule(rules.back(), rule)) continue;
        rule.fromYear = static_cast<uint16_t>(rules.empty() ? kOldestRuleYear : year);
        rules.push_back(rule);
    }
    auto known = knownDescriptions().find(windowsName);
    if (known != knownDescriptions().end()) {
        zone->description = known->second;
    } else {
        const int offset = zone->definition.ruleFor(kLastYear).standardOffset();
        char head[32];
        std::snprintf(head, sizeof head, "(UTC%c%02d:%02d) ", offset < 0 ? '-' : '+',
                      std::abs(offset) / 60, std::abs(offset) % 60);
        icu::UnicodeString name;
        tz->getDisplayName(false, icu::TimeZone::LONG_GENERIC, icu::Locale::getEnglish(), name);
        std::string utf8;
        name.toUTF8String(utf8);
        zone->description = head + utf8;
    }
    return zone;
}

void systemTime(ByteBuffer& b, const Transition& t) {
    for (uint16_t v :
         {t.year, t.month, t.dayOfWeek, t.day, t.hour, t.minute, uint16_t{0}, uint16_t{0}}) {
        b.u16(v);
    }
}

void biasesAndDates(ByteBuffer& b, const TimeZoneRule& rule, bool withYears) {
    b.u32(static_cast<uint32_t>(rule.bias));
    b.u32(static_cast<uint32_t>(rule.standardBias));
    b.u32(static_cast<uint32_t>(rule.daylightBias));
    if (withYears) b.u16(0);
    systemTime(b, rule.toStandard);
    if (withYears) b.u16(0);
    systemTime(b, rule.toDaylight);
}

size_t ruleIndexFor(const TimeZoneDefinition& d, int year) {
    size_t found = 0;
    for (size_t i = 0; i < d.rules.size(); ++i) {
        if (d.rules[i].fromYear <= year) found = i;
    }
    return found;
}

}  // namespace

const WindowsZone* windowsZone(std::string_view name) {
    static std::mutex lock;
    static std::map<std::string, std::unique_ptr<WindowsZone>, std::less<>> zones;
    std::lock_guard guard(lock);
    if (auto it = zones.find(name); it != zones.end()) return it->second.get();
    std::unique_ptr<WindowsZone> zone;
    if (auto names = resolveNames(name)) zone = buildZone(names->first, names->second);
    return zones.emplace(std::string(name), std::move(zone)).first->second.get();
}

ByteVec zoneDefinitionBlob(const WindowsZone& zone, int year, bool forRecurrence) {
    const TimeZoneDefinition& d = zone.definition;
    const ByteVec key = utf16le(d.keyName);
    ByteBuffer b;
    b.u8(0x02);  // major version
    b.u8(0x01);  // minor version
    b.u16(static_cast<uint16_t>(6 + key.size()));
    b.u16(0x0002);  // reserved, as Outlook writes it
    b.u16(static_cast<uint16_t>(key.size() / 2));
    b.bytes(key);
    b.u16(static_cast<uint16_t>(d.rules.size()));
    const size_t effective = ruleIndexFor(d, year);
    for (size_t i = 0; i < d.rules.size(); ++i) {
        const TimeZoneRule& rule = d.rules[i];
        b.u8(0x02);
        b.u8(0x01);
        b.u16(0x003E);  // the rule's size after these four bytes
        uint16_t flags = 0;
        if (i == effective)
            flags = forRecurrence ? kRuleEffective | kRuleRecurCurrent : kRuleEffective;
        b.u16(flags);
        b.u16(rule.fromYear);
        // The first of January of that year as a SYSTEMTIME without its year, as Outlook fills
        // the 14 bytes the format leaves unused.
        for (uint16_t v : {1, 0, 1, 0, 0, 0, 0}) b.u16(v);
        biasesAndDates(b, rule, false);
    }
    return b.take();
}

ByteVec zoneStructBlob(const WindowsZone& zone, int year) {
    ByteBuffer b;
    biasesAndDates(b, zone.definition.ruleFor(year), true);
    return b.take();
}

}  // namespace pellmark::pstwriter
