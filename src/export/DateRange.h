#pragma once
// The dates an export keeps messages from: --since and --until on the command line. A
// message's date is its delivery time, else its sending time, else its creation time.

#include <optional>
#include <string>

#include "store/ItemFacts.h"

namespace pellmark::exporting {

struct DateRange {
    using Time = store::ItemFacts::Time;
    std::optional<Time> from;   // kept from this moment on
    std::optional<Time> until;  // kept before this moment

    bool empty() const { return !from && !until; }
    // Items without any date are kept: nothing says they are out of the range.
    bool contains(const store::ItemFacts& facts) const {
        const auto when = facts.when();
        if (!when) return true;
        return (!from || *when >= *from) && (!until || *when < *until);
    }
};

// The start of the day an ISO date ("2021-03-04") names, in UTC; nullopt when `text` is not
// such a date.
std::optional<DateRange::Time> startOfDay(const std::string& text);

}  // namespace pellmark::exporting
