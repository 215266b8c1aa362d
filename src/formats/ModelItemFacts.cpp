// What an item's properties say of its times, sender, recipients and reading state.

#include "formats/ItemView.h"
#include "formats/ModelMailItem.h"
#include "formats/text/DateFormat.h"
#include "mapi/Tags.h"

namespace pellmark::formats {
namespace {

namespace prop = mapi::prop;

// PR_MESSAGE_FLAGS: MSGFLAG_READ, MSGFLAG_UNSENT ([MS-OXCMSG] 2.2.1.6).
constexpr int64_t kMsgFlagRead = 0x1;
constexpr int64_t kMsgFlagUnsent = 0x8;
// PR_FLAG_STATUS: followupFlagged ([MS-OXOFLAG] 2.2.1.1).
constexpr int64_t kFollowupFlagged = 2;
// PR_LAST_VERB_EXECUTED: reply to sender, reply to all, forward ([MS-OXOMSG] 2.2.1.43).
constexpr int64_t kVerbReply = 102;
constexpr int64_t kVerbReplyAll = 103;
constexpr int64_t kVerbForward = 104;
// PR_ICON_INDEX of a replied and a forwarded mail, for items without a last verb.
constexpr int64_t kIconReplied = 0x105;
constexpr int64_t kIconForwarded = 0x106;

// A FILETIME of 0 means "not set".
std::optional<store::ItemFacts::Time> factTime(std::optional<uint64_t> fileTime) {
    if (!fileTime || *fileTime == 0) return std::nullopt;
    return store::ItemFacts::Time(std::chrono::seconds(unixTime(*fileTime)));
}

}  // namespace

store::ItemFacts ModelMailItem::facts() {
    return storeGuarded([&] {
        const ItemView view(*item_);
        store::ItemFacts f;
        f.delivered = factTime(view.time(prop::kMessageDeliveryTime));
        f.sent = factTime(view.time(prop::kClientSubmitTime));
        f.created = factTime(view.time(prop::kCreationTime));
        const formats::Address from = view.from();
        f.senderName = from.name;
        f.senderAddress = from.address;
        f.recipients = static_cast<int32_t>(view.recipients().size());
        const int64_t flags = view.integer(prop::kMessageFlags).value_or(0);
        f.read = (flags & kMsgFlagRead) != 0;
        f.draft = (flags & kMsgFlagUnsent) != 0;
        f.flagged = view.integer(prop::kFlagStatus).value_or(0) == kFollowupFlagged;
        const int64_t verb = view.integer(prop::kLastVerbExecuted).value_or(0);
        const int64_t icon = view.integer(prop::kIconIndex).value_or(0);
        f.answered = verb == kVerbReply || verb == kVerbReplyAll || icon == kIconReplied;
        f.forwarded = verb == kVerbForward || icon == kIconForwarded;
        return f;
    });
}

}  // namespace pellmark::formats
