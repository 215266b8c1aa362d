#include "mkpst/JsonCalendar.h"

#include <cctype>
#include <map>

#include "formats/calendar/CalendarTime.h"
#include "pstwriter/messaging/CalendarKinds.h"
#include "pstwriter/messaging/ZoneRules.h"

namespace pellmark::pstwriter {
namespace {

using formats::calendar::kMinutesPerDay;
using formats::calendar::TimeZoneDefinition;

constexpr uint64_t kTicksPerMinute = 600000000;
constexpr const char* kDayCodes[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

struct Context {
    int64_t n;
    TextExpander expand;
    const TimeZoneDefinition* zone;  // the item's, or null: times as given
    std::string text(const JsonCursor& c, const char* key) const {
        return expand(c.optString(key).value_or(""), n);
    }
    std::optional<std::string> optText(const JsonCursor& c, const char* key) const {
        if (auto s = c.optString(key)) return expand(*s, n);
        return std::nullopt;
    }
};

int64_t minutesOf(uint64_t fileTime) {
    return static_cast<int64_t>(fileTime / kTicksPerMinute);
}

// A time of the item: the instant it names, or its wall-clock time in the item's zone.
uint64_t timeOf(const JsonCursor& c, const Context& ctx) {
    const JsonCursor::WallTime w = c.wallTime();
    if (w.absolute || !ctx.zone) return w.fileTime;
    const uint64_t seconds = w.fileTime % kTicksPerMinute;
    return static_cast<uint64_t>(ctx.zone->toUtc(minutesOf(w.fileTime))) * kTicksPerMinute +
           seconds;
}

// The local day a date (or the date of a time) falls on.
int64_t localDayOf(const JsonCursor& c, const Context& ctx) {
    const JsonCursor::WallTime w = c.wallTime();
    int64_t minutes = minutesOf(w.fileTime);
    if (w.absolute && ctx.zone) minutes = ctx.zone->toLocal(minutes);
    return minutes / kMinutesPerDay;
}

uint32_t dayCode(const JsonCursor& c) {
    const std::string s = c.string();
    for (uint32_t d = 0; d < 7; ++d) {
        if (s == kDayCodes[d]) return d;
    }
    c.fail("not a day: '" + s + "' (SU, MO, TU, WE, TH, FR, SA)");
}

template <typename T>
T named(const JsonCursor& c, const std::map<std::string, T>& names, const std::string& what) {
    const std::string s = c.string();
    if (auto it = names.find(s); it != names.end()) return it->second;
    std::string list;
    for (const auto& [name, value] : names) list += (list.empty() ? "" : ", ") + name;
    c.fail("unknown " + what + " '" + s + "' (" + list + ")");
}

RecurrenceRule readRule(const JsonCursor& c, const Context& ctx) {
    static const std::map<std::string, RecurrenceKind> kinds = {
        {"daily", RecurrenceKind::Daily},     {"weekly", RecurrenceKind::Weekly},
        {"monthly", RecurrenceKind::Monthly}, {"monthNth", RecurrenceKind::MonthNth},
        {"yearly", RecurrenceKind::Yearly},   {"yearlyNth", RecurrenceKind::YearlyNth}};
    RecurrenceRule r;
    const std::string type = c.field("type").string();
    r.kind = named(c.field("type"), kinds, "recurrence type");
    const bool nth = r.kind == RecurrenceKind::MonthNth || r.kind == RecurrenceKind::YearlyNth;
    const bool yearly = r.kind == RecurrenceKind::Yearly || r.kind == RecurrenceKind::YearlyNth;
    auto notFor = [&](const char* key, bool allowed) {
        if (c.has(key) && !allowed) c.field(key).fail("not used by a " + type + " recurrence");
    };
    notFor("dayOfMonth", r.kind == RecurrenceKind::Monthly || r.kind == RecurrenceKind::Yearly);
    notFor("nth", nth);
    notFor("month", yearly);
    notFor("days", r.kind == RecurrenceKind::Daily || r.kind == RecurrenceKind::Weekly || nth);
    r.interval = static_cast<uint32_t>(c.optInteger("interval", 1, 999).value_or(1));
    for (const JsonCursor& d : c.arrayField("days")) r.days |= 1u << dayCode(d);
    if (c.has("days") && r.days == 0) c.field("days").fail("must name at least one day");
    if (r.kind == RecurrenceKind::Daily && r.days != 0 && r.interval != 1)
        c.field("interval").fail("a daily recurrence on given days repeats every week");
    r.dayOfMonth = static_cast<uint32_t>(c.optInteger("dayOfMonth", 1, 31).value_or(0));
    r.nth = static_cast<uint32_t>(c.optInteger("nth", 1, 5).value_or(0));
    r.month = static_cast<uint32_t>(c.optInteger("month", 1, 12).value_or(0));
    if (c.has("firstDayOfWeek")) r.firstDayOfWeek = dayCode(c.field("firstDayOfWeek"));
    if (c.has("until") && c.has("count")) c.fail("give until or count, not both");
    if (c.has("until")) r.untilDay = localDayOf(c.field("until"), ctx);
    if (auto count = c.optInteger("count", 1, 999)) r.count = static_cast<uint32_t>(*count);
    return r;
}

// An instance's original start: a time, or a date meaning the instance on that day.
uint64_t originalOf(const JsonCursor& c, const Context& ctx, uint64_t seriesStart) {
    if (!c.wallTime().dateOnly) return timeOf(c, ctx);
    const int64_t start = minutesOf(seriesStart);
    const int64_t local = ctx.zone ? ctx.zone->toLocal(start) : start;
    const int64_t timeOfDay = local % kMinutesPerDay;
    const int64_t original = localDayOf(c, ctx) * kMinutesPerDay + timeOfDay;
    return static_cast<uint64_t>(ctx.zone ? ctx.zone->toUtc(original) : original) * kTicksPerMinute;
}

AppointmentRecurrence readRecurrence(const JsonCursor& c, const Context& ctx, uint64_t start) {
    c.allowOnly({"type", "interval", "days", "dayOfMonth", "nth", "month", "firstDayOfWeek",
                 "until", "count", "deleted", "exceptions"});
    AppointmentRecurrence rec;
    rec.rule = readRule(c, ctx);
    for (const JsonCursor& d : c.arrayField("deleted"))
        rec.deleted.push_back(originalOf(d, ctx, start));
    for (const JsonCursor& e : c.arrayField("exceptions")) {
        e.allowOnly({"originalStart", "start", "end", "subject", "location", "body", "busyStatus",
                     "allDay"});
        AppointmentException x;
        x.originalStart = originalOf(e.field("originalStart"), ctx, start);
        if (e.has("start")) x.start = timeOf(e.field("start"), ctx);
        if (e.has("end")) x.end = timeOf(e.field("end"), ctx);
        x.subject = ctx.optText(e, "subject");
        x.location = ctx.optText(e, "location");
        x.body = ctx.optText(e, "body");
        if (auto b = e.optInteger("busyStatus", 0, 4)) x.busyStatus = static_cast<int32_t>(*b);
        x.allDay = e.optBool("allDay");
        rec.exceptions.push_back(std::move(x));
    }
    return rec;
}

MeetingPerson readPerson(const JsonCursor& c, const Context& ctx) {
    c.allowOnly({"name", "email"});
    return {ctx.text(c, "name"), ctx.text(c, "email")};
}

void readMeeting(const JsonCursor& c, const Context& ctx, AppointmentInfo& a) {
    static const std::map<std::string, AttendeeRole> roles = {{"required", AttendeeRole::Required},
                                                              {"optional", AttendeeRole::Optional},
                                                              {"resource", AttendeeRole::Resource}};
    static const std::map<std::string, AttendeeResponse> responses = {
        {"none", AttendeeResponse::None},
        {"accepted", AttendeeResponse::Accepted},
        {"declined", AttendeeResponse::Declined},
        {"tentative", AttendeeResponse::Tentative}};
    if (c.has("organizer")) a.organizer = readPerson(c.field("organizer"), ctx);
    if (c.has("attendees") && !a.organizer)
        c.field("attendees").fail("a meeting with attendees needs an organizer");
    for (const JsonCursor& p : c.arrayField("attendees")) {
        p.allowOnly({"name", "email", "type", "response"});
        Attendee at;
        at.name = ctx.text(p, "name");
        at.email = ctx.text(p, "email");
        if (p.has("type")) at.role = named(p.field("type"), roles, "attendee type");
        if (p.has("response")) at.response = named(p.field("response"), responses, "response");
        a.attendees.push_back(at);
    }
    if (auto id = ctx.optText(c, "globalObjectId")) {
        ByteVec bytes;
        const bool hex = id->size() % 2 == 0 &&
                         id->find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
        for (size_t i = 0; hex && i < id->size(); i += 2)
            bytes.push_back(static_cast<uint8_t>(std::stoi(id->substr(i, 2), nullptr, 16)));
        a.globalObjectId = hex && isGlobalObjectId(bytes) ? bytes : globalObjectIdOfUid(*id);
    } else if (a.organizer) {
        // Stable for the same document: the item's place, copy and subject.
        a.globalObjectId =
            globalObjectIdFrom(c.path() + "#" + std::to_string(ctx.n) + "\n" + a.subject);
    }
}

std::vector<std::string> readCategories(const JsonCursor& c, const Context& ctx) {
    std::vector<std::string> out;
    for (const JsonCursor& s : c.arrayField("categories"))
        out.push_back(ctx.expand(s.string(), ctx.n));
    return out;
}

const TimeZoneDefinition* zoneOf(const JsonCursor& c) {
    if (!c.has("timeZone")) return nullptr;
    const std::string name = c.field("timeZone").string();
    const WindowsZone* zone = windowsZone(name);
    if (!zone)
        c.field("timeZone")
            .fail("unknown time zone '" + name +
                  "' (a Windows name such as \"Eastern Standard Time\", or an "
                  "IANA name such as \"America/New_York\")");
    return &zone->definition;
}

}  // namespace

void readAppointment(const JsonCursor& c, Message& m, int64_t n, TextExpander expand) {
    static const std::map<std::string, int32_t> sensitivities = {
        {"normal", 0}, {"personal", 1}, {"private", 2}, {"confidential", 3}};
    Context ctx{n, expand, zoneOf(c)};
    AppointmentInfo a;
    a.subject = ctx.text(c, "subject");
    a.location = ctx.text(c, "location");
    a.body = ctx.text(c, "body");
    a.start = timeOf(c.field("start"), ctx);
    a.end = c.has("end") ? timeOf(c.field("end"), ctx) : a.start;
    if (a.end < a.start) c.field("end").fail("before the start");
    a.allDay = c.optBool("allDay").value_or(false);
    a.busyStatus = static_cast<int32_t>(c.optInteger("busyStatus", 0, 4).value_or(2));
    if (ctx.zone) a.timeZone = ctx.zone->keyName;
    if (c.has("recurrence")) a.recurrence = readRecurrence(c.field("recurrence"), ctx, a.start);
    readMeeting(c, ctx, a);
    if (auto r = c.optInteger("reminder", 0, 525600)) a.reminderMinutes = static_cast<int32_t>(*r);
    a.categories = readCategories(c, ctx);
    if (c.has("sensitivity"))
        a.sensitivity = named(c.field("sensitivity"), sensitivities, "sensitivity");
    if (auto s = c.optInteger("sequence", 0, INT32_MAX)) a.sequence = static_cast<int32_t>(*s);
    try {
        fillAppointment(m, a);
    } catch (const RecurrenceInputError& e) {
        c.field("recurrence").field(e.field().c_str()).array().at(e.index()).fail(e.what());
    } catch (const std::invalid_argument& e) {
        (c.has("recurrence") ? c.field("recurrence") : c).fail(e.what());
    }
}

void readTask(const JsonCursor& c, Message& m, int64_t n, TextExpander expand) {
    static const std::map<std::string, int32_t> priorities = {
        {"low", 0}, {"normal", 1}, {"high", 2}};
    Context ctx{n, expand, nullptr};
    TaskInfo t;
    t.subject = ctx.text(c, "subject");
    t.body = ctx.text(c, "body");
    t.start = c.optTime("start");
    t.due = c.optTime("due");
    t.status = static_cast<int32_t>(c.optInteger("status", 0, 4).value_or(0));
    t.percentComplete = c.has("percentComplete") ? c.field("percentComplete").number() : 0.0;
    if (c.has("recurrence")) {
        const JsonCursor r = c.field("recurrence");
        r.allowOnly({"type", "interval", "days", "dayOfMonth", "nth", "month", "firstDayOfWeek",
                     "until", "count"});
        if (!t.start && !t.due) r.fail("a recurring task needs a start or due date");
        t.recurrence = readRule(r, ctx);
    }
    t.completed = c.optTime("completed");
    if (c.has("priority")) t.importance = named(c.field("priority"), priorities, "priority");
    t.categories = readCategories(c, ctx);
    try {
        fillTask(m, t);
    } catch (const std::invalid_argument& e) {
        c.field("recurrence").fail(e.what());
    }
}

}  // namespace pellmark::pstwriter
