#pragma once
// The header block the text, HTML and RTF saves put above the body: for mail From, Sent, To,
// Cc, Subject and Attachments; other kinds of item show their own fields (an appointment its
// start, end and location, a task its due date and status, a contact its phones and
// addresses, ...). Only fields the item has are listed.

#include <string>
#include <vector>

#include "formats/ItemView.h"

namespace pellmark::formats {

struct HeaderField {
    std::string label;
    std::string value;  // may hold several lines (addresses, list members)
};

std::vector<HeaderField> headerFields(const ItemView& item);

// "Name <address>", or whichever of the two the address has.
std::string formatAddress(const Address& a);
// The members of a distribution list, one "Name <address>" each.
std::vector<std::string> distributionListMembers(const ItemView& item);

}  // namespace pellmark::formats
