#pragma once
// What a review platform lists of an item beside its file: the addresses it went between, its
// times, the ids that tie it to its thread, and how many attachments it has. A load file row
// is made of these.

#include <cstdint>
#include <optional>
#include <string>

#include "store/ItemFacts.h"

namespace pellmark::store {

struct DocumentFacts {
    // "Name <address>", or whichever of the two the item has.
    std::string from;
    // Each list joined with "; ", in the item's order of recipients.
    std::string to;
    std::string cc;
    std::string bcc;
    std::optional<ItemFacts::Time> sent;
    std::optional<ItemFacts::Time> received;
    std::string messageId;
    std::string conversationIndex;  // upper-case hex
    int32_t attachments = 0;
};

}  // namespace pellmark::store
