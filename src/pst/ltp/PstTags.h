#pragma once
// Property ids of the .pst file's own bookkeeping ([MS-PST]): the name-to-id map's streams, the
// tables' row ids, the store's password and hidden counts. Those of items are mapi/Tags.h's.

#include <cstdint>

namespace pellmark::pst::prop {

inline constexpr uint16_t kPstPassword = 0x67FF;
inline constexpr uint16_t kLtpRowId = 0x67F2;
inline constexpr uint16_t kLtpRowVer = 0x67F3;
inline constexpr uint16_t kNameidBucketCount = 0x0001;
inline constexpr uint16_t kNameidStreamGuid = 0x0002;
inline constexpr uint16_t kNameidStreamEntry = 0x0003;
inline constexpr uint16_t kNameidStreamString = 0x0004;
inline constexpr uint16_t kNameidBucketBase = 0x1000;
inline constexpr uint16_t kPstHiddenCount = 0x6635;
inline constexpr uint16_t kPstHiddenUnread = 0x6636;

}  // namespace pellmark::pst::prop
