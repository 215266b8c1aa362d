#pragma once
// A property value as a reader gives it: its type and its bytes.
// Fixed-size values are little-endian; strings are UTF-16LE (Unicode) or 8-bit text
// (String8); multi-valued variable-size values keep the count-and-offsets layout of
// [MS-PST] 2.3.3.4.2.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "mapi/PropType.h"

namespace pellmark::mapi {

// A value whose bytes do not hold what its type says (a multi-valued value cut short).
class ValueError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct PropValue {
    PropType type = PropType::Unspecified;
    std::vector<uint8_t> bytes;

    bool isString() const { return type == PropType::Unicode || type == PropType::String8; }
    // Numbers of any integer width (Int16, Int32, Int64, Boolean, ErrorCode) as int64.
    std::optional<int64_t> asInteger() const;
    std::optional<double> asDouble() const;
    std::optional<bool> asBool() const;
    // FILETIME: 100-nanosecond intervals since 1601-01-01 UTC.
    std::optional<uint64_t> asFileTime() const;
    // Unicode and String8 values as UTF-8 (String8 decoded in `codepage`), without the
    // terminating NULs some writers keep. Empty for other types.
    std::string asString(uint32_t codepage) const;
    // The elements of a multi-valued property, each as the bytes of one single value. Throws
    // ValueError when the value's layout runs past its bytes.
    std::vector<std::vector<uint8_t>> elements() const;
    // Multi-valued strings as UTF-8.
    std::vector<std::string> asStrings(uint32_t codepage) const;
};

}  // namespace pellmark::mapi
