#include "pstwriter/messaging/CalendarKinds.h"

#include <algorithm>
#include <set>

#include "base/Sha256.h"
#include "formats/calendar/CalendarTime.h"
#include "mapi/NamedIds.h"
#include "mapi/Tags.h"
#include "pstwriter/messaging/ItemKinds.h"
#include "pstwriter/messaging/ZoneRules.h"

namespace pellmark::pstwriter {
namespace {

namespace prop = mapi::prop;
using formats::calendar::civilOf;
using formats::calendar::kMinutesPerDay;
using formats::calendar::minutesOfFileTime;
using formats::calendar::TimeZoneDefinition;

// Long ids beyond those the readers know (mapi/NamedIds.h).
enum : uint32_t {
    kExceptionalBody = 0x8206,
    kExceptionReplaceTime = 0x8228,
    kRecurrenceType = 0x8231,
    kClipStart = 0x8235,
    kClipEnd = 0x8236,
    kResponseStatus = 0x8218,
    kToAttendees = 0x823B,
    kCcAttendees = 0x823C,
    kReminderTime = 0x8502,
    kPrivate = 0x8506,
    kReminderSignalTime = 0x8560,
    kIsRecurring = 0x0005,  // PSETID_Meeting
    kTaskDeadOccurrence = 0x8109,
    kTaskFRecurring = 0x8126,
};

constexpr uint64_t kTicksPerMinute = 600000000;
constexpr int32_t kStateMeeting = 0x1;
constexpr int32_t kRespOrganized = 1;
constexpr int32_t kRecipSendable = 0x1, kRecipOrganizer = 0x2;
constexpr int32_t kAttachException = 0x2;
constexpr uint16_t kTagExceptionReplaceTime = 0x7FF9;
constexpr uint16_t kTagAttachmentLinkId = 0x7FFA;
constexpr uint16_t kTagExceptionStartTime = 0x7FFB;
constexpr uint16_t kTagExceptionEndTime = 0x7FFC;
constexpr uint16_t kTagAttachmentFlags = 0x7FFD;
constexpr const char* kExceptionClass = "IPM.OLE.CLASS.{00061055-0000-0000-C000-000000000046}";
constexpr uint8_t kGoidClass[16] = {0x04, 0x00, 0x00, 0x00, 0x82, 0x00, 0xE0, 0x00,
                                    0x74, 0xC5, 0xB7, 0x10, 0x1A, 0x82, 0xE0, 0x08};

uint64_t fileTimeOf(int64_t minutes) {
    return static_cast<uint64_t>(minutes) * kTicksPerMinute;
}
int64_t minutesOf(uint64_t fileTime) {
    return minutesOfFileTime(fileTime);
}
int64_t dayOfMinutes(int64_t minutes) {
    return minutes >= 0 ? minutes / kMinutesPerDay
                        : -((-minutes + kMinutesPerDay - 1) / kMinutesPerDay);
}

NamedProp appt(uint32_t id) {
    return lid::appointment(id);
}

void setTime(PropertyBag& m, const NamedProp& n, uint64_t t) {
    m.set(n, PropValue::time(t));
}

// Where a recurrence rule leaves a field open, the first instance's value.
RecurrenceRule completeRule(RecurrenceRule r, int64_t day) {
    const auto c = civilOf(day * kMinutesPerDay);
    const uint32_t weekday = formats::calendar::weekdayOf(day * kMinutesPerDay);
    const bool nth = r.kind == RecurrenceKind::MonthNth || r.kind == RecurrenceKind::YearlyNth;
    if (r.days == 0 && (r.kind == RecurrenceKind::Weekly || nth)) r.days = 1u << weekday;
    if (r.nth == 0 && nth) r.nth = (c.day - 1) / 7 + 1;  // the fifth week's day is the month's last
    if (r.dayOfMonth == 0) r.dayOfMonth = c.day;
    if (r.month == 0 && (r.kind == RecurrenceKind::Yearly || nth)) r.month = c.month;
    if (r.kind == RecurrenceKind::MonthNth) r.month = 0;
    return r;
}

void setZone(Message& m, const WindowsZone& zone, int startYear, int endYear, bool recurring) {
    m.set(appt(mapi::lid::kAppointmentTimeZoneDefinitionStartDisplay),
          PropValue::binary(zoneDefinitionBlob(zone, startYear, false)));
    m.set(appt(mapi::lid::kAppointmentTimeZoneDefinitionEndDisplay),
          PropValue::binary(zoneDefinitionBlob(zone, endYear, false)));
    if (recurring) {
        m.set(appt(mapi::lid::kAppointmentTimeZoneDefinitionRecur),
              PropValue::binary(zoneDefinitionBlob(zone, startYear, true)));
    }
    m.set(appt(mapi::lid::kTimeZoneStruct), PropValue::binary(zoneStructBlob(zone, startYear)));
    m.set(appt(mapi::lid::kTimeZoneDescription), PropValue::string(zone.description));
}

void setTimes(Message& m, uint64_t start, uint64_t end) {
    m.setTime(prop::kStartDate, start);
    m.setTime(prop::kEndDate, end);
    setTime(m, appt(mapi::lid::kAppointmentStartWhole), start);
    setTime(m, appt(mapi::lid::kAppointmentEndWhole), end);
    setTime(m, lid::common(0x8516), start);
    setTime(m, lid::common(0x8517), end);
}

struct Instance {
    int64_t localStart, localEnd;
};

// The exception message an exception attachment holds: the series' fields with the
// exception's own over them.
void addExceptionAttachment(Message& series, const AppointmentInfo& a,
                            const AppointmentException& e, const TimeZoneDefinition& zone,
                            uint64_t start, uint64_t end) {
    const std::string subject = e.subject.value_or(a.subject);
    Message& x = series.addEmbeddedMessage(kExceptionClass, subject);
    Attachment& att = *series.attachments().back();
    att.setBool(prop::kAttachmentHidden, true);
    att.setInt(kTagAttachmentFlags, kAttachException);
    att.setInt(kTagAttachmentLinkId, 0);
    att.setTime(kTagExceptionStartTime, fileTimeOf(zone.toLocal(minutesOf(start))));
    att.setTime(kTagExceptionEndTime, fileTimeOf(zone.toLocal(minutesOf(end))));
    att.setTime(kTagExceptionReplaceTime, e.originalStart);
    x.setSubject(subject);
    const std::string body = e.body.value_or(a.body);
    if (!body.empty()) x.setBody(body);
    setTimes(x, start, end);
    const std::string location = e.location.value_or(a.location);
    if (!location.empty()) x.set(appt(mapi::lid::kLocation), PropValue::string(location));
    x.set(appt(mapi::lid::kBusyStatus), PropValue::int32(e.busyStatus.value_or(a.busyStatus)));
    x.set(appt(mapi::lid::kAppointmentSubType), PropValue::boolean(e.allDay.value_or(a.allDay)));
    setTime(x, appt(kExceptionReplaceTime), e.originalStart);
    x.set(appt(kExceptionalBody), PropValue::boolean(e.body.has_value()));
    x.set(appt(mapi::lid::kRecurring), PropValue::boolean(false));
}

// The recurrence of `a` in `zone`; returns the first instance's start and end.
std::pair<uint64_t, uint64_t> setRecurrence(Message& m, const AppointmentInfo& a,
                                            const TimeZoneDefinition& zone, int codepage) {
    const AppointmentRecurrence& rec = *a.recurrence;
    const int64_t localStart = zone.toLocal(minutesOf(a.start));
    const int64_t duration = std::max<int64_t>(0, minutesOf(a.end) - minutesOf(a.start));
    const int64_t startDay = dayOfMinutes(localStart);
    const auto startOffset = static_cast<uint32_t>(localStart - startDay * kMinutesPerDay);
    const RecurrenceSeries series(completeRule(rec.rule, startDay), startDay);
    // An instance's original start, checked against the series.
    std::set<int64_t> taken;
    auto instance = [&](uint64_t original, const char* field, size_t i) {
        const int64_t local = zone.toLocal(minutesOf(original));
        const int64_t day = dayOfMinutes(local);
        if (!series.isInstance(day) || local - day * kMinutesPerDay != startOffset)
            throw RecurrenceInputError(field, i, "not an instance of the series");
        if (!taken.insert(day).second)
            throw RecurrenceInputError(field, i, "that instance is already deleted or changed");
        return local;
    };
    std::vector<int64_t> deleted;
    for (size_t i = 0; i < rec.deleted.size(); ++i)
        deleted.push_back(instance(rec.deleted[i], "deleted", i));
    std::vector<ExceptionFields> fields;
    for (size_t i = 0; i < rec.exceptions.size(); ++i) {
        const AppointmentException& e = rec.exceptions[i];
        ExceptionFields f;
        f.originalStart = instance(e.originalStart, "exceptions", i);
        const uint64_t start = e.start.value_or(fileTimeOf(zone.toUtc(f.originalStart)));
        const uint64_t end =
            e.end.value_or(start + static_cast<uint64_t>(duration) * kTicksPerMinute);
        if (end < start) throw RecurrenceInputError("exceptions", i, "ends before it starts");
        f.start = zone.toLocal(minutesOf(start));
        f.end = zone.toLocal(minutesOf(end));
        f.subject = e.subject;
        f.location = e.location;
        f.busyStatus = e.busyStatus;
        f.allDay = e.allDay;
        f.ownBody = e.body.has_value();
        fields.push_back(f);
        addExceptionAttachment(m, a, e, zone, start, end);
    }
    const auto endOffset = static_cast<uint32_t>(startOffset + duration);
    m.set(appt(mapi::lid::kAppointmentRecur),
          PropValue::binary(appointmentRecurrenceBlob(series, startOffset, endOffset, deleted,
                                                      std::move(fields), codepage)));
    const RecurrenceRule& rule = series.rule();
    m.set(appt(mapi::lid::kRecurring), PropValue::boolean(true));
    m.set(lid::meeting(kIsRecurring), PropValue::boolean(true));
    m.set(appt(kRecurrenceType), PropValue::int32(recurrenceTypeOf(rule.kind)));
    m.set(appt(mapi::lid::kRecurrencePattern),
          PropValue::string(a.allDay ? recurrenceText(rule, std::nullopt, std::nullopt)
                                     : recurrenceText(rule, startOffset, endOffset)));
    // The clip ends on the series' end date (by date), else on its last instance's day.
    const std::optional<int64_t> endDay = rule.untilDay ? rule.untilDay : series.lastDay();
    const int64_t clipEnd = endDay ? zone.toUtc(*endDay * kMinutesPerDay)
                                   : formats::calendar::minutesOf(4500, 8, 31, 23, 59);
    setTime(m, appt(kClipStart), fileTimeOf(zone.toUtc(series.firstDay() * kMinutesPerDay)));
    setTime(m, appt(kClipEnd), fileTimeOf(clipEnd));
    const int64_t first = zone.toUtc(series.firstDay() * kMinutesPerDay + startOffset);
    return {fileTimeOf(first), fileTimeOf(first + duration)};
}

void setMeeting(Message& m, const AppointmentInfo& a) {
    const MeetingPerson& org = *a.organizer;
    m.setSender(org.name, org.email);
    Recipient& o = m.addRecipient(org.name, org.email, RecipientType::To);
    o.setInt(prop::kRecipientFlags, kRecipSendable | kRecipOrganizer);
    o.setInt(prop::kRecipientTrackStatus, 0);
    std::string to = org.name, cc;
    for (const Attendee& at : a.attendees) {
        Recipient& r = m.addRecipient(at.name, at.email, static_cast<RecipientType>(at.role));
        r.setInt(prop::kRecipientFlags, kRecipSendable);
        r.setInt(prop::kRecipientTrackStatus, static_cast<int32_t>(at.response));
        std::string& list = at.role == AttendeeRole::Required ? to : cc;
        if (!list.empty()) list += "; ";
        list += at.name.empty() ? at.email : at.name;
    }
    m.set(appt(mapi::lid::kAppointmentStateFlags), PropValue::int32(kStateMeeting));
    m.set(appt(kResponseStatus), PropValue::int32(kRespOrganized));
    m.set(appt(kToAttendees), PropValue::string(to));
    m.set(appt(kCcAttendees), PropValue::string(cc));
}

void setCategories(Message& m, const std::vector<std::string>& categories) {
    if (categories.empty()) return;
    m.set(NamedProp{mapi::psetid::kPublicStrings, 0, mapi::lid::kKeywordsName},
          PropValue(PropType::MultiUnicode, categories));
}

ByteVec goid(ConstBytes data) {
    ByteBuffer b;
    b.bytes(kGoidClass);
    b.u32(0);  // year, month and day of an exception's id; none for the series
    b.u64(fileTimeFromUnix(1577836800));
    b.u64(0);
    b.u32(static_cast<uint32_t>(data.size()));
    b.bytes(data);
    return b.take();
}

}  // namespace

ByteVec globalObjectIdFrom(std::string_view seed) {
    base::Sha256 hash;
    hash.update(seed);
    const std::string hex = hash.hex();
    ByteVec data;
    for (size_t i = 0; i < 32; i += 2)
        data.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return goid(data);
}

ByteVec globalObjectIdOfUid(std::string_view uid) {
    ByteBuffer data;
    for (char c : std::string_view("vCal-Uid")) data.u8(static_cast<uint8_t>(c));
    data.u32(1);
    for (char c : uid) data.u8(static_cast<uint8_t>(c));
    data.u8(0);
    return goid(data.span());
}

bool isGlobalObjectId(const ByteVec& bytes) {
    return bytes.size() >= 40 &&
           std::equal(std::begin(kGoidClass), std::end(kGoidClass), bytes.begin());
}

void fillAppointment(Message& m, const AppointmentInfo& a) {
    m.setSubject(a.subject);
    if (!a.body.empty()) m.setString(prop::kBody, a.body);
    if (!a.location.empty()) m.set(appt(mapi::lid::kLocation), PropValue::string(a.location));
    m.set(appt(mapi::lid::kBusyStatus), PropValue::int32(a.busyStatus));
    m.set(appt(mapi::lid::kAppointmentSubType), PropValue::boolean(a.allDay));
    uint64_t start = a.start, end = a.end;
    const std::string zoneName = a.timeZone.empty() && a.recurrence ? "UTC" : a.timeZone;
    const WindowsZone* zone = nullptr;
    if (!zoneName.empty()) {
        zone = windowsZone(zoneName);
        if (!zone) throw std::invalid_argument("unknown time zone '" + zoneName + "'");
    }
    if (a.recurrence) {
        const PropValue* cp = m.get(prop::kMessageCodepage);
        std::tie(start, end) = setRecurrence(
            m, a, zone->definition, cp && cp->integer() ? static_cast<int>(*cp->integer()) : 1252);
    } else {
        m.set(appt(mapi::lid::kRecurring), PropValue::boolean(false));
        m.set(appt(kRecurrenceType), PropValue::int32(0));
        setTime(m, appt(kClipStart), start);
        setTime(m, appt(kClipEnd), end);
    }
    setTimes(m, start, end);
    if (zone) {
        const TimeZoneDefinition& d = zone->definition;
        setZone(m, *zone, civilOf(d.toLocal(minutesOf(start))).year,
                civilOf(d.toLocal(minutesOf(end))).year, a.recurrence.has_value());
    }
    const int64_t minutes = end > start ? static_cast<int64_t>((end - start) / kTicksPerMinute) : 0;
    m.set(appt(mapi::lid::kAppointmentDuration), PropValue::int32(static_cast<int32_t>(minutes)));
    m.set(lid::common(mapi::lid::kReminderSet), PropValue::boolean(a.reminderMinutes.has_value()));
    if (a.reminderMinutes) {
        const uint64_t lead = static_cast<uint64_t>(*a.reminderMinutes) * kTicksPerMinute;
        m.set(lid::common(mapi::lid::kReminderDelta), PropValue::int32(*a.reminderMinutes));
        setTime(m, lid::common(kReminderTime), start);
        setTime(m, lid::common(kReminderSignalTime), start > lead ? start - lead : 0);
    }
    if (a.organizer) {
        setMeeting(m, a);
        ByteVec id = a.globalObjectId.empty()
                         ? globalObjectIdFrom(a.subject + "\n" + std::to_string(a.start) + "\n" +
                                              std::to_string(a.end) + "\n" + a.location)
                         : a.globalObjectId;
        m.set(lid::meeting(mapi::lid::kGlobalObjectId), PropValue::binary(id));
        m.set(lid::meeting(mapi::lid::kCleanGlobalObjectId), PropValue::binary(id));
    } else if (!a.globalObjectId.empty()) {
        m.set(lid::meeting(mapi::lid::kGlobalObjectId), PropValue::binary(a.globalObjectId));
        m.set(lid::meeting(mapi::lid::kCleanGlobalObjectId), PropValue::binary(a.globalObjectId));
    }
    if (a.sequence) m.set(appt(mapi::lid::kAppointmentSequence), PropValue::int32(*a.sequence));
    setCategories(m, a.categories);
    if (a.sensitivity != 0) {
        m.setInt(prop::kSensitivity, a.sensitivity);
        m.set(lid::common(kPrivate), PropValue::boolean(a.sensitivity == 2));
    }
}

void fillTask(Message& m, const TaskInfo& t) {
    m.setSubject(t.subject);
    if (!t.body.empty()) m.setString(prop::kBody, t.body);
    const bool done = t.completed.has_value() || t.status == 2;
    m.set(lid::task(mapi::lid::kTaskStatus), PropValue::int32(t.completed ? 2 : t.status));
    m.set(lid::task(mapi::lid::kPercentComplete),
          PropValue::float64(t.completed ? 1.0 : t.percentComplete));
    m.set(lid::task(mapi::lid::kTaskComplete), PropValue::boolean(done));
    if (t.start) m.set(lid::task(mapi::lid::kTaskStartDate), PropValue::time(*t.start));
    if (t.due) m.set(lid::task(mapi::lid::kTaskDueDate), PropValue::time(*t.due));
    if (t.completed) m.set(lid::task(mapi::lid::kTaskDateCompleted), PropValue::time(*t.completed));
    if (t.importance) {
        m.setInt(prop::kImportance, *t.importance);
        m.setInt(prop::kPriority, *t.importance - 1);
    }
    if (t.recurrence) {
        const std::optional<uint64_t> anchor = t.start ? t.start : t.due;
        if (!anchor) throw std::invalid_argument("a recurring task needs a start or due date");
        const int64_t day = dayOfMinutes(minutesOf(*anchor));
        const RecurrenceSeries series(completeRule(*t.recurrence, day), day);
        m.set(lid::task(mapi::lid::kTaskRecurrence),
              PropValue::binary(recurrencePatternBlob(series, {}, {})));
        m.set(lid::task(kTaskFRecurring), PropValue::boolean(true));
        m.set(lid::task(kTaskDeadOccurrence), PropValue::boolean(false));
    }
    setCategories(m, t.categories);
}

}  // namespace pellmark::pstwriter
