#include "formats/calendar/IcsWriter.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "base/Base64.h"
#include "formats/ItemView.h"
#include "formats/OutputFormats.h"
#include "formats/calendar/CalendarError.h"
#include "formats/calendar/CalendarTime.h"
#include "formats/calendar/IcsLines.h"
#include "formats/calendar/IcsRules.h"
#include "formats/text/HtmlPage.h"
#include "mapi/Guid.h"
#include "mapi/NamedIds.h"
#include "mapi/Tags.h"

namespace pellmark::formats::calendar {

namespace {

using mapi::psetid::kAppointment;
using mapi::psetid::kCommon;
namespace lid = mapi::lid;
namespace prop = mapi::prop;

// How the item's times are written: in a zone (TZID and local time), floating (a recurring
// item without a zone: its local times, wherever the reader is), or in UTC.
struct Clock {
    const TimeZoneDefinition* zone = nullptr;
    std::string tzid;
    bool floating = false;

    // NAME;TZID=...:value of local `minutes`.
    void write(IcsLines& out, const std::string& name, int64_t local, bool allDay) const {
        if (allDay) return out.raw(name + ";VALUE=DATE", dateText(local));
        if (zone) return out.raw(name + ";TZID=" + paramValue(tzid), dateTimeText(local, false));
        out.raw(name, dateTimeText(local, !floating));
    }
    int64_t toLocal(int64_t utc) const { return zone ? zone->toLocal(utc) : utc; }
    std::string until(int64_t local, bool allDay) const {
        if (allDay) return dateText(local);
        if (zone) return dateTimeText(zone->toUtc(local), true);
        return dateTimeText(local, !floating);
    }
};

struct Zones {
    std::map<std::string, TimeZoneDefinition> byTzid;  // every zone the item's times use
    Clock start;
    Clock end;
};

std::optional<bool> namedBool(const ItemView& view, const mapi::Guid& set, uint32_t id) {
    auto value = view.named(set, id);
    return value ? value->asBool() : std::nullopt;
}

std::optional<double> namedDouble(const ItemView& view, const mapi::Guid& set, uint32_t id) {
    auto value = view.named(set, id);
    return value ? value->asDouble() : std::nullopt;
}

std::string hexOf(const std::vector<uint8_t>& bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (uint8_t b : bytes) {
        out += kHex[b >> 4];
        out += kHex[b & 0xF];
    }
    return out;
}

// The original start (UTC) of the instance an exception's attachment replaces.
constexpr uint16_t kExceptionReplaceTime = 0x7FF9;

class CalendarWriter {
  public:
    explicit CalendarWriter(const mapi::Item& item) : view_(item), item_(item) {}

    std::vector<std::string> write(base::ByteSink& sink);

  private:
    std::optional<TimeZoneDefinition> zoneNamed(uint32_t definitionLid);
    void chooseZones(bool recurring);
    void writeEvent();
    void writeRecurrence(const AppointmentRecurrence& r, bool allDay);
    void writeException(const AppointmentRecurrence& r, const RecurrenceException& e, bool allDay);
    void writeTodo();
    void writeJournal();
    void writeCommon();
    void writePeople();
    void writeAlarm(std::optional<bool> set, std::optional<int64_t> minutesBefore);
    void writeAttachments();
    std::unique_ptr<mapi::Item> exceptionMessage(int64_t originalLocal);
    std::string uid() const;
    int64_t stamp() const;

    ItemView view_;
    const mapi::Item& item_;
    IcsLines out_;
    Zones zones_;
    std::vector<std::string> problems_;
};

std::optional<TimeZoneDefinition> CalendarWriter::zoneNamed(uint32_t definitionLid) {
    auto value = view_.named(kAppointment, definitionLid);
    if (!value || value->bytes.empty()) return std::nullopt;
    try {
        return parseTimeZoneDefinition(value->bytes);
    } catch (const CalendarError& e) {
        problems_.push_back(e.what());
        return std::nullopt;
    }
}

void CalendarWriter::chooseZones(bool recurring) {
    std::optional<TimeZoneDefinition> start, end;
    if (recurring) start = zoneNamed(lid::kAppointmentTimeZoneDefinitionRecur);
    if (!start) start = zoneNamed(lid::kAppointmentTimeZoneDefinitionStartDisplay);
    if (!start) {
        auto value = view_.named(kAppointment, lid::kTimeZoneStruct);
        if (value && !value->bytes.empty()) {
            try {
                start = parseTimeZoneStruct(
                    value->bytes,
                    view_.namedString(kAppointment, lid::kTimeZoneDescription).value_or(""));
            } catch (const CalendarError& e) {
                problems_.push_back(e.what());
            }
        }
    }
    if (!recurring) end = zoneNamed(lid::kAppointmentTimeZoneDefinitionEndDisplay);
    auto place = [&](std::optional<TimeZoneDefinition>& zone, Clock& clock) {
        if (!zone) return;
        std::string tzid = ianaZoneOf(zone->keyName).value_or(zone->keyName);
        if (tzid.empty()) tzid = "Outlook zone";
        auto [it, added] = zones_.byTzid.emplace(tzid, std::move(*zone));
        clock.zone = &it->second;
        clock.tzid = tzid;
    };
    place(start, zones_.start);
    place(end, zones_.end);
    if (!zones_.end.zone) zones_.end = zones_.start;
    zones_.start.floating = zones_.end.floating = recurring && !zones_.start.zone;
}

// A meeting that came from another calendar program keeps that program's UID in its global
// object id: after the id's 40 bytes of head, "vCal-Uid", a version of 1 and the UID.
std::optional<std::string> foreignUid(const std::vector<uint8_t>& globalId) {
    static constexpr char kMark[] = "vCal-Uid\x01\x00\x00\x00";
    constexpr size_t kHead = 40, kMarkSize = sizeof kMark - 1;
    if (globalId.size() <= kHead + kMarkSize ||
        !std::equal(kMark, kMark + kMarkSize, globalId.begin() + kHead)) {
        return std::nullopt;
    }
    std::string uid;
    for (auto it = globalId.begin() + kHead + kMarkSize; it != globalId.end() && *it; ++it) {
        uid += static_cast<char>(*it);
    }
    if (uid.empty()) return std::nullopt;
    return uid;
}

std::string CalendarWriter::uid() const {
    for (uint32_t id : {lid::kGlobalObjectId, lid::kCleanGlobalObjectId}) {
        auto value = view_.named(mapi::psetid::kMeeting, id);
        if (value && !value->bytes.empty())
            return foreignUid(value->bytes).value_or(hexOf(value->bytes));
    }
    if (auto key = item_.get(prop::kSearchKey); key && !key->bytes.empty())
        return hexOf(key->bytes);
    if (auto key = item_.get(prop::kRecordKey); key && !key->bytes.empty())
        return hexOf(key->bytes);
    // Nothing of its own: what the item says, so a second export gives the same UID.
    std::string seed = view_.messageClass() + '\n' + view_.subject();
    uint64_t hash = 1469598103934665603ull;
    for (char c : seed) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return "pellmark-" + std::to_string(hash) + "-" +
           std::to_string(view_.time(prop::kCreationTime).value_or(0));
}

int64_t CalendarWriter::stamp() const {
    for (uint16_t id : {prop::kLastModificationTime, prop::kCreationTime, prop::kClientSubmitTime})
        if (auto t = view_.time(id)) return minutesOfFileTime(*t);
    return minutesOf(1970, 1, 1);
}

void CalendarWriter::writeAlarm(std::optional<bool> set, std::optional<int64_t> minutesBefore) {
    if (!set.value_or(false)) return;
    out_.raw("BEGIN", "VALARM");
    out_.raw("ACTION", "DISPLAY");
    out_.text("DESCRIPTION", "Reminder");
    int64_t m = minutesBefore.value_or(15);
    out_.raw("TRIGGER", (m < 0 ? "PT" : "-PT") + std::to_string(m < 0 ? -m : m) + "M");
    out_.raw("END", "VALARM");
}

void CalendarWriter::writeCommon() {
    out_.raw("UID", escapeText(uid()));
    out_.raw("DTSTAMP", dateTimeText(stamp(), true));
    if (auto created = view_.time(prop::kCreationTime))
        out_.raw("CREATED", dateTimeText(minutesOfFileTime(*created), true));
    if (auto modified = view_.time(prop::kLastModificationTime))
        out_.raw("LAST-MODIFIED", dateTimeText(minutesOfFileTime(*modified), true));
    out_.text("SUMMARY", view_.subject());
    out_.text("DESCRIPTION", view_.plainBody());
    std::vector<std::string> categories = view_.categories();
    if (!categories.empty()) {
        std::string list;
        for (const std::string& c : categories) list += (list.empty() ? "" : ",") + escapeText(c);
        out_.raw("CATEGORIES", list);
    }
    int64_t sensitivity = view_.integer(prop::kSensitivity).value_or(0);
    out_.raw("CLASS", sensitivity == 0 ? "PUBLIC" : sensitivity == 3 ? "CONFIDENTIAL" : "PRIVATE");
}

std::string calAddress(const Address& who) {
    return "mailto:" + (who.address.empty() ? who.name : who.address);
}

std::string withName(std::string name, const Address& who) {
    if (!who.name.empty()) name += ";CN=" + paramValue(who.name);
    return name;
}

const char* partStat(int64_t trackStatus) {
    switch (trackStatus) {
        case 1:  // the organizer
        case 3:
            return "ACCEPTED";
        case 2:
            return "TENTATIVE";
        case 4:
            return "DECLINED";
        default:
            return "NEEDS-ACTION";
    }
}

void CalendarWriter::writePeople() {
    std::vector<mapi::Recipient> rows = item_.recipients();
    std::vector<RecipientView> people = view_.recipients();
    std::optional<Address> organizer;
    for (size_t i = 0; i < rows.size() && i < people.size(); ++i) {
        auto flags = rows[i].get(prop::kRecipientFlags);
        if (flags && (flags->asInteger().value_or(0) & 0x2)) organizer = people[i].who;
    }
    if (!organizer && !people.empty()) {
        Address from = view_.from();
        if (!from.empty()) organizer = from;
    }
    if (organizer && !organizer->empty())
        out_.raw(withName("ORGANIZER", *organizer), calAddress(*organizer));
    for (size_t i = 0; i < rows.size() && i < people.size(); ++i) {
        const Address& who = people[i].who;
        if (who.empty() || (organizer && who.address == organizer->address && !who.address.empty()))
            continue;
        std::string name = withName("ATTENDEE", who);
        int type = people[i].type & 0xF;
        name += type == 3   ? ";CUTYPE=RESOURCE;ROLE=NON-PARTICIPANT"
                : type == 2 ? ";ROLE=OPT-PARTICIPANT"
                            : ";ROLE=REQ-PARTICIPANT";
        auto status = rows[i].get(prop::kRecipientTrackStatus);
        name += std::string(";PARTSTAT=") + partStat(status ? status->asInteger().value_or(0) : 0);
        out_.raw(name, calAddress(who));
    }
}

void CalendarWriter::writeEvent() {
    const bool allDay = namedBool(view_, kAppointment, lid::kAppointmentSubType).value_or(false);
    std::optional<AppointmentRecurrence> recurrence;
    if (auto blob = view_.named(kAppointment, lid::kAppointmentRecur);
        blob && !blob->bytes.empty()) {
        try {
            recurrence = parseAppointmentRecurrence(blob->bytes, item_.codepage());
        } catch (const CalendarError& e) {
            problems_.push_back(std::string("recurrence left out: ") + e.what());
        }
    }
    chooseZones(recurrence.has_value());
    for (const auto& [tzid, zone] : zones_.byTzid) writeVTimeZone(out_, zone, tzid);

    out_.raw("BEGIN", "VEVENT");
    writeCommon();
    out_.text("LOCATION", view_.namedString(kAppointment, lid::kLocation).value_or(""));
    if (recurrence) {
        const RecurrencePattern& p = recurrence->pattern;
        zones_.start.write(out_, "DTSTART", p.startDate + recurrence->startTimeOffset, allDay);
        zones_.end.write(out_, "DTEND", p.startDate + recurrence->endTimeOffset, allDay);
        writeRecurrence(*recurrence, allDay);
    } else {
        auto start = view_.namedTime(kAppointment, lid::kAppointmentStartWhole);
        if (!start) start = view_.time(prop::kStartDate);
        auto end = view_.namedTime(kAppointment, lid::kAppointmentEndWhole);
        if (!end) end = view_.time(prop::kEndDate);
        if (start)
            zones_.start.write(out_, "DTSTART", zones_.start.toLocal(minutesOfFileTime(*start)),
                               allDay);
        if (start && end)
            zones_.end.write(out_, "DTEND", zones_.end.toLocal(minutesOfFileTime(*end)), allDay);
    }
    int64_t busy = view_.namedInteger(kAppointment, lid::kBusyStatus).value_or(2);
    out_.raw("TRANSP", busy == 0 ? "TRANSPARENT" : "OPAQUE");
    if (auto sequence = view_.namedInteger(kAppointment, lid::kAppointmentSequence))
        out_.raw("SEQUENCE", std::to_string(*sequence));
    if (view_.messageClass().find(".Canceled") != std::string::npos)
        out_.raw("STATUS", "CANCELLED");
    writePeople();
    writeAlarm(namedBool(view_, kCommon, lid::kReminderSet),
               view_.namedInteger(kCommon, lid::kReminderDelta));
    writeAttachments();
    out_.raw("END", "VEVENT");
    if (recurrence) {
        for (const RecurrenceException& e : recurrence->exceptions)
            writeException(*recurrence, e, allDay);
    }
}

void CalendarWriter::writeRecurrence(const AppointmentRecurrence& r, bool allDay) {
    const RecurrencePattern& p = r.pattern;
    const int64_t firstStart = p.startDate + r.startTimeOffset;
    auto rule = rruleOf(p, firstStart, zones_.start.until(p.endDate + r.startTimeOffset, allDay));
    if (!rule) {
        problems_.push_back("a recurrence in a calendar other than the Gregorian is left out");
        return;
    }
    out_.raw("RRULE", *rule);
    // Deleted dates hold the moved instances' original dates too: those are the exceptions'.
    std::vector<int64_t> deleted = p.deletedDates;
    std::sort(deleted.begin(), deleted.end());
    for (int64_t date : deleted) {
        bool moved = std::any_of(
            r.exceptions.begin(), r.exceptions.end(), [&](const RecurrenceException& e) {
                return e.originalStart - e.originalStart % kMinutesPerDay == date;
            });
        if (!moved) zones_.start.write(out_, "EXDATE", date + r.startTimeOffset, allDay);
    }
}

void CalendarWriter::writeException(const AppointmentRecurrence& r, const RecurrenceException& e,
                                    bool allDay) {
    out_.raw("BEGIN", "VEVENT");
    out_.raw("UID", escapeText(uid()));
    out_.raw("DTSTAMP", dateTimeText(stamp(), true));
    int64_t original = e.originalStart - e.originalStart % kMinutesPerDay + r.startTimeOffset;
    zones_.start.write(out_, "RECURRENCE-ID", original, allDay);
    const bool exceptionAllDay = e.allDay.value_or(allDay);
    zones_.start.write(out_, "DTSTART", e.start, exceptionAllDay);
    zones_.end.write(out_, "DTEND", e.end, exceptionAllDay);
    out_.text("SUMMARY", e.subject.value_or(view_.subject()));
    out_.text("LOCATION",
              e.location.value_or(view_.namedString(kAppointment, lid::kLocation).value_or("")));
    if (e.overrideFlags & overrides::kBody) {
        // The changed body is the exception message's own.
        if (auto message = exceptionMessage(original)) {
            out_.text("DESCRIPTION", ItemView(*message).plainBody());
        } else {
            problems_.push_back("the changed description of the instance of " + dateText(original) +
                                " was not found");
        }
    } else {
        out_.text("DESCRIPTION", view_.plainBody());
    }
    int64_t busy = e.busyStatus ? *e.busyStatus
                                : view_.namedInteger(kAppointment, lid::kBusyStatus).value_or(2);
    out_.raw("TRANSP", busy == 0 ? "TRANSPARENT" : "OPAQUE");
    if (auto sequence = view_.namedInteger(kAppointment, lid::kAppointmentSequence))
        out_.raw("SEQUENCE", std::to_string(*sequence));
    std::optional<bool> reminder = e.reminderSet;
    if (!reminder) reminder = namedBool(view_, kCommon, lid::kReminderSet);
    std::optional<int64_t> delta = e.reminderDelta;
    if (!delta) delta = view_.namedInteger(kCommon, lid::kReminderDelta);
    writeAlarm(reminder, delta);
    out_.raw("END", "VEVENT");
}

std::unique_ptr<mapi::Item> CalendarWriter::exceptionMessage(int64_t originalLocal) {
    const int64_t originalUtc =
        zones_.start.zone ? zones_.start.zone->toUtc(originalLocal) : originalLocal;
    try {
        for (size_t i = 0; i < item_.attachmentCount(); ++i) {
            auto attachment = item_.attachment(i);
            auto replaces = attachment ? attachment->get(kExceptionReplaceTime) : std::nullopt;
            auto when = replaces ? replaces->asFileTime() : std::nullopt;
            if (when && minutesOfFileTime(*when) == originalUtc) {
                return attachment->embeddedMessage();
            }
        }
    } catch (const std::exception& e) {
        problems_.push_back(std::string("an exception's message could not be read: ") + e.what());
    }
    return nullptr;
}

// The item's attachments inline, each as it is: files with their type and name, attached
// messages as .eml. The messages that hold a recurrence's changed instances are not among
// them: those are the RECURRENCE-ID events.
void CalendarWriter::writeAttachments() {
    for (const AttachmentView& a : view_.attachments()) {
        try {
            auto attachment = item_.attachment(a.index);
            if (!attachment || attachment->get(kExceptionReplaceTime)) continue;
            std::string bytes, type = a.mimeType, name = a.fileName;
            if (a.embedded) {
                auto message = attachment->embeddedMessage();
                if (!message) continue;
                bytes = emlOf(*message);
                type = "message/rfc822";
                if (name.empty()) name = message->subject() + ".eml";
            } else {
                const std::vector<uint8_t> data = readAttachment(view_, a.index);
                bytes.assign(data.begin(), data.end());
                if (type.empty()) type = mimeTypeForName(name);
            }
            std::string params = "ATTACH;ENCODING=BASE64;VALUE=BINARY";
            if (!type.empty()) params += ";FMTTYPE=" + paramValue(type);
            if (!name.empty()) params += ";X-FILENAME=" + paramValue(name);
            out_.raw(params, base::base64Encode(std::span(
                                 reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())));
        } catch (const std::exception& e) {
            problems_.push_back("the attachment " + a.fileName + " was left out: " + e.what());
        }
    }
}

// Task dates are the local day at midnight, kept as if it were UTC.
void CalendarWriter::writeTodo() {
    using mapi::psetid::kTask;
    out_.raw("BEGIN", "VTODO");
    writeCommon();
    std::optional<RecurrencePattern> recurrence;
    if (auto blob = view_.named(kTask, lid::kTaskRecurrence); blob && !blob->bytes.empty()) {
        try {
            recurrence = parseRecurrencePattern(blob->bytes);
        } catch (const CalendarError& e) {
            problems_.push_back(std::string("recurrence left out: ") + e.what());
        }
    }
    auto start = view_.namedTime(kTask, lid::kTaskStartDate);
    if (start) {
        out_.raw("DTSTART;VALUE=DATE", dateText(minutesOfFileTime(*start)));
    } else if (recurrence) {
        // A rule counts from a start: the pattern's first day.
        out_.raw("DTSTART;VALUE=DATE", dateText(recurrence->startDate));
    }
    if (recurrence) {
        const int64_t first = start ? minutesOfFileTime(*start) : recurrence->startDate;
        if (auto rule = rruleOf(*recurrence, first, dateText(recurrence->endDate))) {
            out_.raw("RRULE", *rule);
            if (recurrence->slidingFlag) {
                problems_.push_back(
                    "the task recurs from each completion, which iCalendar cannot say: its "
                    "rule counts from its start");
            }
        } else {
            problems_.push_back("a recurrence in a calendar other than the Gregorian is left out");
        }
    }
    if (auto due = view_.namedTime(kTask, lid::kTaskDueDate))
        out_.raw("DUE;VALUE=DATE", dateText(minutesOfFileTime(*due)));
    if (auto done = view_.namedTime(kTask, lid::kTaskDateCompleted))
        out_.raw("COMPLETED", dateTimeText(minutesOfFileTime(*done), true));
    int64_t status = view_.namedInteger(kTask, lid::kTaskStatus).value_or(0);
    out_.raw("STATUS", status == 1 ? "IN-PROCESS" : status == 2 ? "COMPLETED" : "NEEDS-ACTION");
    if (auto percent = namedDouble(view_, kTask, lid::kPercentComplete))
        out_.raw("PERCENT-COMPLETE",
                 std::to_string(std::clamp(std::lround(*percent * 100), 0l, 100l)));
    int64_t importance = view_.integer(prop::kImportance).value_or(1);
    out_.raw("PRIORITY", importance == 2 ? "1" : importance == 0 ? "9" : "5");
    writeAlarm(namedBool(view_, kCommon, lid::kReminderSet), std::nullopt);
    writeAttachments();
    out_.raw("END", "VTODO");
}

// What is neither an event nor a task (a message in the folder, a note) stays a dated entry.
void CalendarWriter::writeJournal() {
    out_.raw("BEGIN", "VJOURNAL");
    writeCommon();
    if (auto sent = view_.sentTime())
        out_.raw("DTSTART", dateTimeText(minutesOfFileTime(*sent), true));
    writeAttachments();
    out_.raw("END", "VJOURNAL");
}

std::vector<std::string> CalendarWriter::write(base::ByteSink& sink) {
    out_.raw("BEGIN", "VCALENDAR");
    out_.raw("VERSION", "2.0");
    out_.raw("PRODID", "-//Pellmark//Pellmark//EN");
    out_.raw("CALSCALE", "GREGORIAN");
    switch (view_.kind()) {
        case ItemKind::Task:
            writeTodo();
            break;
        case ItemKind::Appointment:
        case ItemKind::Meeting:
            writeEvent();
            break;
        default:
            writeJournal();
    }
    out_.raw("END", "VCALENDAR");
    sink.put(out_.str());
    return problems_;
}

}  // namespace

std::vector<std::string> writeCalendar(const mapi::Item& item, base::ByteSink& sink) {
    return CalendarWriter(item).write(sink);
}

}  // namespace pellmark::formats::calendar

namespace pellmark::formats {

// The table's writer: what the item's blobs could not give is left out and noted, the rest
// written.
void writeIcs(const mapi::Item& item, base::ByteSink& sink) {
    for (std::string& what : calendar::writeCalendar(item, sink)) noteLeftOut(std::move(what));
}

}  // namespace pellmark::formats
