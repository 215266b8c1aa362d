#pragma once
// The property stream of one object of a .msg file ([MS-OXMSG] 2.4): a header whose size
// depends on the object, then a 16-byte entry per property holding its tag, flags and either
// the value itself (fixed-size types) or the size of the stream that holds it.

#include <cstdint>
#include <set>
#include <span>
#include <vector>

#include "mapi/PropType.h"

namespace pellmark::formats {

enum class MsgObject { Message, EmbeddedMessage, Recipient, Attachment };

inline constexpr char kPropertyStreamName[] = "__properties_version1.0";

class MsgPropertyStream {
  public:
    explicit MsgPropertyStream(MsgObject kind) : kind_(kind) {}

    MsgObject kind() const { return kind_; }
    // A message's recipient and attachment counts, which are also the next free ids.
    void setCounts(uint32_t recipients, uint32_t attachments);
    // A value of at most 8 bytes, stored in the entry.
    void addFixed(mapi::PropTag tag, std::span<const uint8_t> value);
    // A value stored in a stream of its own; `size` as [MS-OXMSG] 2.4.2.2 defines it.
    void addStreamed(mapi::PropTag tag, uint32_t size);
    bool has(uint16_t id) const { return ids_.count(id) != 0; }

    std::vector<uint8_t> bytes() const;

  private:
    void addEntry(mapi::PropTag tag, std::span<const uint8_t> value);
    uint32_t flagsFor(uint16_t id) const;

    MsgObject kind_;
    uint32_t recipients_ = 0;
    uint32_t attachments_ = 0;
    std::vector<uint8_t> entries_;
    std::set<uint16_t> ids_;
};

}  // namespace pellmark::formats
