#pragma once
// Numeric names (LIDs) of the named properties the writers read ([MS-OXPROPS]), with the
// property set each belongs to (psetid in Guid.h).

#include <cstdint>

namespace pellmark::mapi::lid {

// PSETID_Address: contacts and distribution lists
inline constexpr uint32_t kFileUnder = 0x8005;
inline constexpr uint32_t kWorkAddressStreet = 0x8045;
inline constexpr uint32_t kWorkAddressCity = 0x8046;
inline constexpr uint32_t kWorkAddressState = 0x8047;
inline constexpr uint32_t kWorkAddressPostalCode = 0x8048;
inline constexpr uint32_t kWorkAddressCountry = 0x8049;
inline constexpr uint32_t kWorkAddressPostOfficeBox = 0x804A;
inline constexpr uint32_t kHtml = 0x802B;  // the contact's web page
inline constexpr uint32_t kDistributionListName = 0x8053;
inline constexpr uint32_t kDistributionListOneOffMembers = 0x8054;
inline constexpr uint32_t kDistributionListMembers = 0x8055;
inline constexpr uint32_t kInstantMessagingAddress = 0x8062;
inline constexpr uint32_t kEmail1DisplayName = 0x8080;
inline constexpr uint32_t kEmail1AddressType = 0x8082;
inline constexpr uint32_t kEmail1EmailAddress = 0x8083;
inline constexpr uint32_t kEmail1OriginalDisplayName = 0x8084;
inline constexpr uint32_t kEmail2DisplayName = 0x8090;
inline constexpr uint32_t kEmail2AddressType = 0x8092;
inline constexpr uint32_t kEmail2EmailAddress = 0x8093;
inline constexpr uint32_t kEmail3DisplayName = 0x80A0;
inline constexpr uint32_t kEmail3AddressType = 0x80A2;
inline constexpr uint32_t kEmail3EmailAddress = 0x80A3;

// PSETID_Appointment
inline constexpr uint32_t kAppointmentSequence = 0x8201;
inline constexpr uint32_t kBusyStatus = 0x8205;
inline constexpr uint32_t kLocation = 0x8208;
inline constexpr uint32_t kAppointmentStartWhole = 0x820D;
inline constexpr uint32_t kAppointmentEndWhole = 0x820E;
inline constexpr uint32_t kAppointmentDuration = 0x8213;
inline constexpr uint32_t kAppointmentSubType = 0x8215;  // all-day event
inline constexpr uint32_t kAppointmentRecur = 0x8216;    // the recurrence blob
inline constexpr uint32_t kAppointmentStateFlags = 0x8217;
inline constexpr uint32_t kRecurring = 0x8223;
inline constexpr uint32_t kRecurrencePattern = 0x8232;
inline constexpr uint32_t kTimeZoneStruct = 0x8233;
inline constexpr uint32_t kTimeZoneDescription = 0x8234;
inline constexpr uint32_t kAppointmentTimeZoneDefinitionStartDisplay = 0x825E;
inline constexpr uint32_t kAppointmentTimeZoneDefinitionEndDisplay = 0x825F;
inline constexpr uint32_t kAppointmentTimeZoneDefinitionRecur = 0x8260;

// PSETID_Meeting
inline constexpr uint32_t kGlobalObjectId = 0x0003;
inline constexpr uint32_t kCleanGlobalObjectId = 0x0023;

// PSETID_Task
inline constexpr uint32_t kTaskStatus = 0x8101;
inline constexpr uint32_t kPercentComplete = 0x8102;
inline constexpr uint32_t kTaskStartDate = 0x8104;
inline constexpr uint32_t kTaskDueDate = 0x8105;
inline constexpr uint32_t kTaskDateCompleted = 0x810F;
inline constexpr uint32_t kTaskComplete = 0x811C;
inline constexpr uint32_t kTaskRecurrence = 0x8116;
inline constexpr uint32_t kTaskOwner = 0x811F;

// PSETID_Log: journal entries
inline constexpr uint32_t kLogType = 0x8700;
inline constexpr uint32_t kLogStart = 0x8706;
inline constexpr uint32_t kLogDuration = 0x8707;
inline constexpr uint32_t kLogEnd = 0x8708;
inline constexpr uint32_t kLogTypeDesc = 0x8712;

// PSETID_Note
inline constexpr uint32_t kNoteColor = 0x8B00;

// PSETID_Common
inline constexpr uint32_t kReminderDelta = 0x8501;
inline constexpr uint32_t kReminderSet = 0x8503;
inline constexpr uint32_t kCompanies = 0x8539;
inline constexpr uint32_t kContacts = 0x853A;

// PS_PUBLIC_STRINGS names a string, not a number
inline constexpr const char* kKeywordsName = "Keywords";  // categories

}  // namespace pellmark::mapi::lid
