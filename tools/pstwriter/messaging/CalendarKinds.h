#pragma once
// Appointments, meetings and tasks as Outlook stores them ([MS-OXOCAL], [MS-OXOTASK]): times,
// the time zone in its three forms, the recurrence blob with its exception attachments, the
// organizer and attendees as recipients, the meeting's global object id, reminders.
//
// Times are FILETIMEs (UTC). A recurring series is laid out in its zone's wall-clock time:
// an instance falls at the same local time of day on each of the rule's days.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "pstwriter/messaging/Model.h"
#include "pstwriter/messaging/RecurrenceBlob.h"

namespace pellmark::pstwriter {

// A recurrence that cannot be written: `field` ("deleted", "exceptions") and `index` name the
// entry at fault.
class RecurrenceInputError : public std::invalid_argument {
  public:
    RecurrenceInputError(std::string field, size_t index, const std::string& message)
        : std::invalid_argument(message), field_(std::move(field)), index_(index) {}
    const std::string& field() const { return field_; }
    size_t index() const { return index_; }

  private:
    std::string field_;
    size_t index_;
};

struct AppointmentException {
    uint64_t originalStart = 0;          // the instance it replaces
    std::optional<uint64_t> start, end;  // the instance's own when absent
    std::optional<std::string> subject, location, body;
    std::optional<int32_t> busyStatus;
    std::optional<bool> allDay;
};

struct AppointmentRecurrence {
    // Fields left 0 take the first instance's: the weekday (Weekly, MonthNth, YearlyNth and
    // their nth), the day of the month, the month.
    RecurrenceRule rule;
    std::vector<uint64_t> deleted;  // original starts of deleted instances
    std::vector<AppointmentException> exceptions;
};

struct MeetingPerson {
    std::string name, email;
};

enum class AttendeeRole : int32_t { Required = 1, Optional = 2, Resource = 3 };
// PidTagRecipientTrackStatus values.
enum class AttendeeResponse : int32_t { None = 0, Tentative = 2, Accepted = 3, Declined = 4 };

struct Attendee {
    std::string name, email;
    AttendeeRole role = AttendeeRole::Required;
    AttendeeResponse response = AttendeeResponse::None;
};

struct AppointmentInfo {
    std::string subject, location, body;
    uint64_t start = 0, end = 0;
    bool allDay = false;
    int32_t busyStatus = 2;  // busy
    // A Windows zone name (or an IANA one, stored under its Windows name); none when empty,
    // and UTC for a recurring appointment without one.
    std::string timeZone;
    std::optional<AppointmentRecurrence> recurrence;
    std::optional<MeetingPerson> organizer;  // makes it a meeting
    std::vector<Attendee> attendees;
    ByteVec globalObjectId;  // a meeting's; derived from the item when empty
    std::optional<int32_t> reminderMinutes;
    std::vector<std::string> categories;
    int32_t sensitivity = 0;  // normal, personal, private, confidential
    std::optional<int32_t> sequence;
};

struct TaskInfo {
    std::string subject, body;
    std::optional<uint64_t> start, due;
    int32_t status = 0;  // not started, in progress, complete, waiting, deferred
    double percentComplete = 0;
    // Repeats from its start (else its due) date; days in UTC.
    std::optional<RecurrenceRule> recurrence;
    std::optional<uint64_t> completed;  // marks it complete
    std::optional<int32_t> importance;  // 0 low, 1 normal, 2 high
    std::vector<std::string> categories;
};

void fillAppointment(Message& m, const AppointmentInfo& a);
void fillTask(Message& m, const TaskInfo& t);

// A PidLidGlobalObjectId for `seed`: the same seed gives the same id.
ByteVec globalObjectIdFrom(std::string_view seed);
// The id Outlook makes of an iCalendar UID it imports ("vCal-Uid" and the UID as its data).
ByteVec globalObjectIdOfUid(std::string_view uid);
// Whether `bytes` have the form of a global object id.
bool isGlobalObjectId(const ByteVec& bytes);

}  // namespace pellmark::pstwriter
