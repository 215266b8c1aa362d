#pragma once
// The top-level headers of the messages the MIME writers build. An item that kept the headers
// it arrived with keeps every one of them, as written, except those that describe the MIME
// structure of the original body (a new body gets new ones), and a Date or address field that
// readers cannot parse, which gives way to one built from the item and is kept beside it as
// X-Original-<name>; any other item gets headers built from its properties: addresses (SMTP
// preferred), subject, date, message ids, importance.

#include <string>
#include <string_view>
#include <vector>

#include "formats/ItemView.h"

namespace pellmark::formats {

struct RawHeader {
    std::string name;
    std::string value;  // everything after the colon, folded lines joined by "\n"
};

// The fields of a header block: lines are unfolded into their field, the block ends at the
// first empty line, and lines that are no field (a banner some servers put first) are dropped.
std::vector<RawHeader> parseHeaderBlock(std::string_view text);

// Content-Type, Content-Transfer-Encoding, Content-Disposition, MIME-Version, and the
// Content-Length of the original body, which would now mislead readers that believe it.
bool isMimeStructureHeader(std::string_view name);

// All the header lines of `item`'s message, CRLF-terminated: its transport headers where it has
// them, else built.
std::string messageHeaders(const ItemView& item);

// From, Subject and Date alone, for a page saved as MIME HTML.
std::string summaryHeaders(const ItemView& item);

}  // namespace pellmark::formats
