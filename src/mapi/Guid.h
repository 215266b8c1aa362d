#pragma once
// A GUID in its binary form as stored by MAPI: Data1..Data3 little-endian, Data4 as bytes.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pellmark::mapi {

struct Guid {
    std::array<uint8_t, 16> bytes{};

    // Parses "{00062004-0000-0000-C000-000000000046}" (braces optional).
    static std::optional<Guid> parse(std::string_view text);
    // The registry form, upper case, with braces.
    std::string toString() const;

    bool operator==(const Guid&) const = default;
    auto operator<=>(const Guid&) const = default;
};

// Property sets of [MS-OXPROPS] 1.3.2.
namespace psetid {
extern const Guid kMapi;           // PS_MAPI
extern const Guid kPublicStrings;  // PS_PUBLIC_STRINGS
extern const Guid kInternetHeaders;
extern const Guid kCommon;
extern const Guid kAddress;
extern const Guid kAppointment;
extern const Guid kMeeting;
extern const Guid kTask;
extern const Guid kLog;
extern const Guid kNote;
}  // namespace psetid

}  // namespace pellmark::mapi
