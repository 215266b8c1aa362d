#include "formats/msg/MsgPropertyStream.h"

#include <algorithm>
#include <array>

#include "formats/msg/MsgBytes.h"
#include "mapi/Tags.h"

namespace pellmark::formats {
namespace {

// Entry flags ([MS-OXMSG] 2.4.2.1).
constexpr uint32_t kMandatory = 0x1;
constexpr uint32_t kReadable = 0x2;
constexpr uint32_t kWritable = 0x4;

// Properties the store computes, which Outlook marks read-only in the files it writes.
constexpr std::array<uint16_t, 10> kComputedOnMessages = {
    0x0E02, 0x0E03, 0x0E04,  // PR_DISPLAY_BCC, _CC, _TO
    0x0E1B, 0x0E1D,          // PR_HASATTACH, PR_NORMALIZED_SUBJECT
    0x0FF4, 0x0FF7,          // PR_ACCESS, PR_ACCESS_LEVEL
    0x3007, 0x3008,          // PR_CREATION_TIME, PR_LAST_MODIFICATION_TIME
    0x340D,                  // PR_STORE_SUPPORT_MASK
};
constexpr std::array<uint16_t, 6> kComputedOnAttachments = {
    0x0E21, 0x0FF4, 0x0FF7, 0x0FF9, 0x0FFE, 0x340D,  // number, access, record key, object type
};

template <size_t N>
bool contains(const std::array<uint16_t, N>& ids, uint16_t id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace

void MsgPropertyStream::setCounts(uint32_t recipients, uint32_t attachments) {
    recipients_ = recipients;
    attachments_ = attachments;
}

void MsgPropertyStream::addFixed(mapi::PropTag tag, std::span<const uint8_t> value) {
    std::array<uint8_t, 8> slot{};  // unused bytes of the slot stay zero
    std::copy_n(value.begin(), std::min<size_t>(value.size(), slot.size()), slot.begin());
    addEntry(tag, slot);
}

void MsgPropertyStream::addStreamed(mapi::PropTag tag, uint32_t size) {
    std::vector<uint8_t> slot;
    appendLe32(slot, size);
    appendLe32(slot, 0);
    addEntry(tag, slot);
}

void MsgPropertyStream::addEntry(mapi::PropTag tag, std::span<const uint8_t> value) {
    appendLe32(entries_, tag);
    appendLe32(entries_, flagsFor(mapi::tagId(tag)));
    entries_.insert(entries_.end(), value.begin(), value.end());
    ids_.insert(mapi::tagId(tag));
}

uint32_t MsgPropertyStream::flagsFor(uint16_t id) const {
    switch (kind_) {
        case MsgObject::Message:
        case MsgObject::EmbeddedMessage:
            return contains(kComputedOnMessages, id) ? kReadable : kReadable | kWritable;
        case MsgObject::Attachment:
            if (id == mapi::prop::kAttachMethod || id == mapi::prop::kRenderingPosition) {
                return kMandatory | kReadable | kWritable;
            }
            return contains(kComputedOnAttachments, id) ? kReadable : kReadable | kWritable;
        case MsgObject::Recipient:
            break;
    }
    return kReadable | kWritable;
}

std::vector<uint8_t> MsgPropertyStream::bytes() const {
    // Header ([MS-OXMSG] 2.4.1): 8 reserved bytes for recipients and attachments; messages add
    // the next recipient and attachment ids and both counts, and the top-level message 8 more
    // reserved bytes.
    std::vector<uint8_t> out(8, 0);
    if (kind_ == MsgObject::Message || kind_ == MsgObject::EmbeddedMessage) {
        appendLe32(out, recipients_);
        appendLe32(out, attachments_);
        appendLe32(out, recipients_);
        appendLe32(out, attachments_);
        if (kind_ == MsgObject::Message) out.resize(out.size() + 8, 0);
    }
    out.insert(out.end(), entries_.begin(), entries_.end());
    return out;
}

}  // namespace pellmark::formats
