#pragma once
// The UID of a contact's or a distribution list's vCard, the same in every export of the same
// mailbox: a UUID made from the item's entry identifier, so that a group's members name the
// cards of their contacts by it. An item without one (from a .msg file) takes its search key.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "mapi/Item.h"

namespace pellmark::formats {

// "xxxxxxxx-xxxx-8xxx-yxxx-xxxxxxxxxxxx" of the bytes' SHA-256 (a version 8 UUID).
std::string uuidOf(const std::vector<uint8_t>& bytes);
// The card's UID; nullopt when the item has neither entry identifier nor search key.
std::optional<std::string> cardUid(const mapi::Item& item);

}  // namespace pellmark::formats
