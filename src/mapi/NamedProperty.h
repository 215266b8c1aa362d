#pragma once
// A named property ([MS-OXCPRPT] 3.2.5.2): a property set and a number (LID) or a name. Each
// file maps the names it uses to property ids from 0x8000 up.

#include <cstdint>
#include <string>

#include "mapi/Guid.h"

namespace pellmark::mapi {

struct NamedProperty {
    Guid guid;
    bool isString = false;
    uint32_t lid = 0;  // numeric name, when !isString
    std::string name;  // UTF-8, when isString
};

}  // namespace pellmark::mapi
