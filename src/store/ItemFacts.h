#pragma once
// What mail programs keep of an item beside its content: when it arrived, who sent it, how
// many it went to, and the state a reader sees (read, flagged, answered, forwarded, a draft).
// The mailbox formats carry the state as flags, the date filters use the times, the listings
// print them.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace pellmark::store {

struct ItemFacts {
    using Time = std::chrono::sys_seconds;
    std::optional<Time> delivered;
    std::optional<Time> sent;
    std::optional<Time> created;
    std::string senderName;
    std::string senderAddress;
    int32_t recipients = 0;
    bool read = false;
    bool flagged = false;
    bool answered = false;
    bool forwarded = false;
    bool draft = false;

    // The item's date: delivery, else sending, else creation.
    std::optional<Time> when() const {
        if (delivered) return delivered;
        if (sent) return sent;
        return created;
    }
};

}  // namespace pellmark::store
