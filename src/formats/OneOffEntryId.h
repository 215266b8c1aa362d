#pragma once
// One-off entry ids ([MS-OXCDATA] 2.2.5.1): an address carried whole inside an entry id, as
// distribution lists keep their members.

#include <optional>
#include <string>

#include "mapi/CodepageText.h"

namespace pellmark::formats {

struct OneOffAddress {
    std::string displayName;
    std::string addressType;
    std::string address;
};

// nullopt when the bytes are not a one-off entry id.
std::optional<OneOffAddress> parseOneOffEntryId(mapi::Bytes bytes, uint32_t codepage);

}  // namespace pellmark::formats
