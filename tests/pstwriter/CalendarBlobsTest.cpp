// The calendar blobs of the fixture writer against their references: Outlook's own recurrence
// and time zone blobs in the sample .msg files, rebuilt from their parsed fields, and the zones'
// rules against ICU's.

#include <gtest/gtest.h>
#include <unicode/timezone.h>

#include <algorithm>

#include "formats/calendar/CalendarTime.h"
#include "formats/calendar/Recurrence.h"
#include "formats/calendar/TimeZone.h"
#include "mapi/Guid.h"
#include "mapi/NamedIds.h"
#include "msgfile/MsgFile.h"
#include "pstwriter/messaging/RecurrenceBlob.h"
#include "pstwriter/messaging/ZoneRules.h"
#include "support/TestFiles.h"

namespace pellmark::test {
namespace {

namespace cal = formats::calendar;
namespace lid = mapi::lid;
using namespace pstwriter;
using cal::minutesOf;

std::vector<uint8_t> namedBytes(const mapi::Item& item, uint32_t id) {
    auto v = item.named(mapi::psetid::kAppointment, id);
    return v ? v->bytes : std::vector<uint8_t>{};
}

// The zone a definition describes against ICU's own rules: the offset just before and after
// each of ICU's transitions in 2023 and 2024, and at noon on the 1st and 15th of each month.
TEST(ZoneRules, DefinitionsAgreeWithIcuIn2023And2024) {
    const std::pair<const char*, const char*> zones[] = {
        {"Eastern Standard Time", "America/New_York"},
        {"Pacific Standard Time", "America/Los_Angeles"},
        {"W. Europe Standard Time", "Europe/Berlin"},
        {"GMT Standard Time", "Europe/London"},
        {"Tokyo Standard Time", "Asia/Tokyo"},
        {"AUS Eastern Standard Time", "Australia/Sydney"}};
    constexpr int64_t kUnixEpoch = 194074560;  // 1970 in minutes since 1601
    for (auto [windows, iana] : zones) {
        SCOPED_TRACE(windows);
        const WindowsZone* zone = windowsZone(windows);
        ASSERT_TRUE(zone);
        EXPECT_EQ(windowsZone(iana), windowsZone(iana));
        EXPECT_EQ(windowsZone(iana)->definition.keyName, windows);
        const auto def = cal::parseTimeZoneDefinition(zoneDefinitionBlob(*zone, 2023, true));
        EXPECT_EQ(def.keyName, windows);
        std::unique_ptr<icu::TimeZone> tz(icu::TimeZone::createTimeZone(iana));
        auto icuOffset = [&](int64_t utc) {
            int32_t raw = 0, dst = 0;
            UErrorCode status = U_ZERO_ERROR;
            tz->getOffset(static_cast<double>(utc - kUnixEpoch) * 60000.0, false, raw, dst, status);
            return (raw + dst) / 60000;
        };
        std::vector<int64_t> instants;
        for (int year : {2023, 2024}) {
            for (unsigned month = 1; month <= 12; ++month) {
                instants.push_back(minutesOf(year, month, 1, 12));
                instants.push_back(minutesOf(year, month, 15, 12));
            }
        }
        for (int64_t t = minutesOf(2023, 1, 1); t < minutesOf(2025, 1, 1); t += 60) {
            if (icuOffset(t) != icuOffset(t + 60)) {
                for (int64_t m = t; m <= t + 60; ++m) {
                    if (icuOffset(m) != icuOffset(t)) {
                        instants.insert(instants.end(), {m - 1, m});
                        break;
                    }
                }
            }
        }
        for (int64_t t : instants)
            EXPECT_EQ(def.offsetAtUtc(t), icuOffset(t)) << cal::civilOf(t).month;
        const auto single = cal::parseTimeZoneStruct(zoneStructBlob(*zone, 2024), windows);
        EXPECT_EQ(single.rules[0].standardOffset(), def.ruleFor(2024).standardOffset());
        EXPECT_EQ(single.rules[0].hasDaylight(), def.ruleFor(2024).hasDaylight());
    }
    EXPECT_EQ(windowsZone("Mars Standard Time"), nullptr);
}

// Outlook's own blobs, rebuilt from their parsed fields, come out byte for byte.
RecurrenceRule ruleOf(const cal::RecurrencePattern& p) {
    RecurrenceRule r;
    r.days = p.daysOfWeek;
    r.dayOfMonth = p.dayOfMonth;
    r.nth = p.nth;
    r.firstDayOfWeek = p.firstDayOfWeek;
    const bool nth = p.patternType == cal::PatternType::MonthNth;
    switch (p.frequency) {
        case cal::RecurFrequency::Daily:
            r.kind = RecurrenceKind::Daily;
            r.interval = p.patternType == cal::PatternType::Day ? p.period / 1440 : 1;
            break;
        case cal::RecurFrequency::Weekly:
            r.kind = RecurrenceKind::Weekly;
            r.interval = p.period;
            break;
        case cal::RecurFrequency::Monthly:
            r.kind = nth ? RecurrenceKind::MonthNth : RecurrenceKind::Monthly;
            r.interval = p.period;
            break;
        case cal::RecurFrequency::Yearly:
            r.kind = nth ? RecurrenceKind::YearlyNth : RecurrenceKind::Yearly;
            r.interval = p.period / 12;
            r.month = cal::civilOf(p.startDate).month;
            break;
    }
    if (p.endType == cal::EndType::ByDate) r.untilDay = p.endDate / 1440;
    if (p.endType == cal::EndType::AfterCount) r.count = p.occurrenceCount;
    return r;
}

TEST(RecurrenceBlobs, OutlookSamplesRebuildByteForByte) {
    for (const char* name : {"A_daily_1", "A_weekly_1", "A_monthly_1", "A_yearly_1",
                             "Lanch_time_every_friday_in_2023_org"}) {
        SCOPED_TRACE(name);
        PELLMARK_SAMPLE_OR_SKIP(path, std::string("msg/hhtmsgreader__") + name + ".msg");
        auto item = msgfile::readMsg(path);
        const auto blob = namedBytes(*item, lid::kAppointmentRecur);
        const auto parsed = cal::parseAppointmentRecurrence(blob, 1252);
        const RecurrenceSeries series(ruleOf(parsed.pattern), parsed.pattern.startDate / 1440);
        EXPECT_EQ(appointmentRecurrenceBlob(series, parsed.startTimeOffset, parsed.endTimeOffset,
                                            {}, {}, 1252),
                  blob);
    }
    // Tokyo as Outlook stores it with the daily sample: one rule, no daylight saving.
    PELLMARK_SAMPLE_OR_SKIP(daily, "msg/hhtmsgreader__A_daily_1.msg");
    auto item = msgfile::readMsg(daily);
    const WindowsZone& tokyo = *windowsZone("Tokyo Standard Time");
    EXPECT_EQ(zoneDefinitionBlob(tokyo, 2022, false),
              namedBytes(*item, lid::kAppointmentTimeZoneDefinitionStartDisplay));
    EXPECT_EQ(zoneDefinitionBlob(tokyo, 2022, true),
              namedBytes(*item, lid::kAppointmentTimeZoneDefinitionRecur));
    EXPECT_EQ(zoneStructBlob(tokyo, 2022), namedBytes(*item, lid::kTimeZoneStruct));
    // Eastern: Outlook stored only the rule in force since 2007; ours holds it among others.
    PELLMARK_SAMPLE_OR_SKIP(est, "msg/hhtmsgreader__Appointment_sample_EST.msg");
    const auto sample =
        namedBytes(*msgfile::readMsg(est), lid::kAppointmentTimeZoneDefinitionStartDisplay);
    ASSERT_GE(sample.size(), 66u);
    const std::vector<uint8_t> rule(sample.end() - 66, sample.end());
    const auto ours = zoneDefinitionBlob(*windowsZone("Eastern Standard Time"), 2022, false);
    EXPECT_NE(std::search(ours.begin(), ours.end(), rule.begin(), rule.end()), ours.end());
}

}  // namespace
}  // namespace pellmark::test
