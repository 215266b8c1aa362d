#pragma once
// Property ids the readers and the writers use ([MS-OXPROPS]). A string property is named by
// its id alone: whether it is stored as String8 or Unicode depends on the file.

#include "mapi/PropType.h"

namespace pellmark::mapi::prop {

// Common to all objects
inline constexpr uint16_t kMessageClass = 0x001A;
inline constexpr uint16_t kSubject = 0x0037;
inline constexpr uint16_t kSubjectPrefix = 0x003D;
inline constexpr uint16_t kNormalizedSubject = 0x0E1D;
inline constexpr uint16_t kConversationTopic = 0x0070;
inline constexpr uint16_t kConversationIndex = 0x0071;
inline constexpr uint16_t kImportance = 0x0017;
inline constexpr uint16_t kPriority = 0x0026;
inline constexpr uint16_t kSensitivity = 0x0036;
inline constexpr uint16_t kClientSubmitTime = 0x0039;
inline constexpr uint16_t kMessageDeliveryTime = 0x0E06;
inline constexpr uint16_t kCreationTime = 0x3007;
inline constexpr uint16_t kLastModificationTime = 0x3008;
inline constexpr uint16_t kMessageFlags = 0x0E07;
// The reading state Outlook shows: the follow-up flag, the last reply or forward.
inline constexpr uint16_t kIconIndex = 0x1080;
inline constexpr uint16_t kLastVerbExecuted = 0x1081;
inline constexpr uint16_t kFlagStatus = 0x1090;
inline constexpr uint16_t kMessageSize = 0x0E08;
inline constexpr uint16_t kHasAttachments = 0x0E1B;
inline constexpr uint16_t kDisplayName = 0x3001;
inline constexpr uint16_t kComment = 0x3004;
inline constexpr uint16_t kRecordKey = 0x0FF9;
inline constexpr uint16_t kEntryId = 0x0FFF;
inline constexpr uint16_t kSearchKey = 0x300B;
inline constexpr uint16_t kInternetCodepage = 0x3FDE;
inline constexpr uint16_t kMessageCodepage = 0x3FFD;
inline constexpr uint16_t kMessageLocaleId = 0x3FF1;
inline constexpr uint16_t kCreatorName = 0x3FF8;

// Senders and recipients
inline constexpr uint16_t kSenderName = 0x0C1A;
inline constexpr uint16_t kSenderEmailAddress = 0x0C1F;
inline constexpr uint16_t kSenderAddrType = 0x0C1E;
inline constexpr uint16_t kSenderEntryId = 0x0C19;
inline constexpr uint16_t kSenderSearchKey = 0x0C1D;
inline constexpr uint16_t kSenderSmtpAddress = 0x5D01;
inline constexpr uint16_t kSentRepresentingName = 0x0042;
inline constexpr uint16_t kSentRepresentingEmailAddress = 0x0065;
inline constexpr uint16_t kSentRepresentingAddrType = 0x0064;
inline constexpr uint16_t kSentRepresentingEntryId = 0x0041;
inline constexpr uint16_t kSentRepresentingSearchKey = 0x003B;
inline constexpr uint16_t kSentRepresentingSmtpAddress = 0x5D02;
inline constexpr uint16_t kReceivedByName = 0x0040;
inline constexpr uint16_t kReceivedByEmailAddress = 0x0076;
inline constexpr uint16_t kDisplayTo = 0x0E04;
inline constexpr uint16_t kDisplayCc = 0x0E03;
inline constexpr uint16_t kDisplayBcc = 0x0E02;
inline constexpr uint16_t kRecipientType = 0x0C15;
inline constexpr uint16_t kEmailAddress = 0x3003;
inline constexpr uint16_t kAddrType = 0x3002;
inline constexpr uint16_t kSmtpAddress = 0x39FE;
inline constexpr uint16_t kRecipientDisplayName = 0x5FF6;
inline constexpr uint16_t kRecipientFlags = 0x5FFD;        // 0x2: the meeting's organizer
inline constexpr uint16_t kRecipientTrackStatus = 0x5FFF;  // the attendee's response
inline constexpr uint16_t kObjectType = 0x0FFE;
inline constexpr uint16_t kDisplayType = 0x3900;
inline constexpr uint16_t kRowId = 0x3000;
inline constexpr uint16_t kResponsibility = 0x0E0F;

// Transport
inline constexpr uint16_t kTransportMessageHeaders = 0x007D;
inline constexpr uint16_t kInternetMessageId = 0x1035;
inline constexpr uint16_t kInReplyToId = 0x1042;
inline constexpr uint16_t kInternetReferences = 0x1039;

// Bodies
inline constexpr uint16_t kBody = 0x1000;
inline constexpr uint16_t kRtfCompressed = 0x1009;
inline constexpr uint16_t kRtfInSync = 0x0E1F;
inline constexpr uint16_t kBodyHtml = 0x1013;  // binary or string, as the writer chose
inline constexpr uint16_t kNativeBody = 0x1016;

// Attachments
inline constexpr uint16_t kAttachData = 0x3701;  // binary, or object for embedded messages
inline constexpr uint16_t kAttachEncoding = 0x3702;
inline constexpr uint16_t kAttachExtension = 0x3703;
inline constexpr uint16_t kAttachFilename = 0x3704;
inline constexpr uint16_t kAttachMethod = 0x3705;
inline constexpr uint16_t kAttachLongFilename = 0x3707;
inline constexpr uint16_t kAttachPathname = 0x3708;
inline constexpr uint16_t kAttachRendering = 0x3709;
inline constexpr uint16_t kAttachTag = 0x370A;
inline constexpr uint16_t kRenderingPosition = 0x370B;
inline constexpr uint16_t kAttachMimeTag = 0x370E;
inline constexpr uint16_t kAttachLongPathname = 0x370D;
inline constexpr uint16_t kAttachContentId = 0x3712;
inline constexpr uint16_t kAttachContentLocation = 0x3713;
inline constexpr uint16_t kAttachFlags = 0x3714;
inline constexpr uint16_t kAttachSize = 0x0E20;
inline constexpr uint16_t kAttachNumber = 0x0E21;
inline constexpr uint16_t kAttachmentHidden = 0x7FFE;
inline constexpr uint16_t kAttachmentContactPhoto = 0x7FFF;

// PR_ATTACH_METHOD values
inline constexpr int32_t kAttachByValue = 1;
inline constexpr int32_t kAttachEmbeddedMessage = 5;
inline constexpr int32_t kAttachOle = 6;

// Folders and the store
inline constexpr uint16_t kContentCount = 0x3602;
inline constexpr uint16_t kContentUnreadCount = 0x3603;
inline constexpr uint16_t kSubfolders = 0x360A;
inline constexpr uint16_t kContainerClass = 0x3613;
inline constexpr uint16_t kIpmSubtreeEntryId = 0x35E0;
inline constexpr uint16_t kIpmWastebasketEntryId = 0x35E3;
inline constexpr uint16_t kFinderEntryId = 0x35E7;

// Contacts
inline constexpr uint16_t kGivenName = 0x3A06;
inline constexpr uint16_t kSurname = 0x3A11;
inline constexpr uint16_t kMiddleName = 0x3A44;
inline constexpr uint16_t kDisplayNamePrefix = 0x3A45;
inline constexpr uint16_t kGeneration = 0x3A05;
inline constexpr uint16_t kNickname = 0x3A4F;
inline constexpr uint16_t kCompanyName = 0x3A16;
inline constexpr uint16_t kDepartmentName = 0x3A18;
inline constexpr uint16_t kTitle = 0x3A17;
inline constexpr uint16_t kBusinessTelephone = 0x3A08;
inline constexpr uint16_t kHomeTelephone = 0x3A09;
inline constexpr uint16_t kMobileTelephone = 0x3A1C;
inline constexpr uint16_t kBusinessFax = 0x3A24;
inline constexpr uint16_t kHomeFax = 0x3A25;
inline constexpr uint16_t kPagerTelephone = 0x3A21;
inline constexpr uint16_t kPrimaryTelephone = 0x3A1A;
inline constexpr uint16_t kOtherTelephone = 0x3A1F;
inline constexpr uint16_t kCarTelephone = 0x3A1E;
inline constexpr uint16_t kBusiness2Telephone = 0x3A1B;
inline constexpr uint16_t kHome2Telephone = 0x3A2F;
inline constexpr uint16_t kAssistantTelephone = 0x3A2E;
inline constexpr uint16_t kCallbackTelephone = 0x3A02;
inline constexpr uint16_t kCompanyMainTelephone = 0x3A57;
inline constexpr uint16_t kIsdnNumber = 0x3A2D;
inline constexpr uint16_t kRadioTelephone = 0x3A1D;
inline constexpr uint16_t kTelexNumber = 0x3A2C;
inline constexpr uint16_t kTtyTddPhone = 0x3A4B;
inline constexpr uint16_t kPrimaryFax = 0x3A23;
inline constexpr uint16_t kBirthday = 0x3A42;
inline constexpr uint16_t kBusinessHomePage = 0x3A51;
inline constexpr uint16_t kPersonalHomePage = 0x3A50;
inline constexpr uint16_t kStreetAddress = 0x3A29;  // business address
inline constexpr uint16_t kLocality = 0x3A27;
inline constexpr uint16_t kStateOrProvince = 0x3A28;
inline constexpr uint16_t kPostalCode = 0x3A2A;
inline constexpr uint16_t kCountry = 0x3A26;
inline constexpr uint16_t kPostOfficeBox = 0x3A2B;
inline constexpr uint16_t kHomeAddressStreet = 0x3A5D;
inline constexpr uint16_t kHomeAddressCity = 0x3A59;
inline constexpr uint16_t kHomeAddressStateOrProvince = 0x3A5C;
inline constexpr uint16_t kHomeAddressPostalCode = 0x3A5B;
inline constexpr uint16_t kHomeAddressCountry = 0x3A5A;
inline constexpr uint16_t kHomeAddressPostOfficeBox = 0x3A5E;
inline constexpr uint16_t kOtherAddressStreet = 0x3A63;
inline constexpr uint16_t kOtherAddressCity = 0x3A5F;
inline constexpr uint16_t kOtherAddressStateOrProvince = 0x3A62;
inline constexpr uint16_t kOtherAddressPostalCode = 0x3A61;
inline constexpr uint16_t kOtherAddressCountry = 0x3A60;
inline constexpr uint16_t kOtherAddressPostOfficeBox = 0x3A64;

// The store, the name-to-id map, folder tables and message status
inline constexpr uint16_t kMessageToMe = 0x0057;
inline constexpr uint16_t kMessageCcMe = 0x0058;
inline constexpr uint16_t kMessageStatus = 0x0E17;
inline constexpr uint16_t kValidFolderMask = 0x35DF;
inline constexpr uint16_t kSendRichInfo = 0x3A40;
inline constexpr uint16_t kTransmittableDisplayName = 0x3A20;
inline constexpr uint16_t kStartDate = 0x0060;
inline constexpr uint16_t kEndDate = 0x0061;
inline constexpr uint16_t kInternetArticleNumber = 0x0E23;

}  // namespace pellmark::mapi::prop
