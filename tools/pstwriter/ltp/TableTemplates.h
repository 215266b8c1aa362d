#pragma once
// The column sets of the table templates Outlook keeps in every file (nodes 0x60D-0x610,
// 0x671, 0x692); folder tables, recipient and attachment tables start from these.

#include <vector>

#include "mapi/PropType.h"

namespace pellmark::pstwriter::templates {

using mapi::PropTag;

// String columns take the file's string type.
std::vector<PropTag> hierarchy(bool unicode);
std::vector<PropTag> contents(bool unicode);
std::vector<PropTag> assocContents(bool unicode);
std::vector<PropTag> searchContents(bool unicode);
std::vector<PropTag> attachments(bool unicode);
std::vector<PropTag> recipients(bool unicode);

}  // namespace pellmark::pstwriter::templates
