// What a load file lists of an item, and the hash by which copies of one message are known.

#include <algorithm>
#include <array>
#include <span>

#include "base/Sha256.h"
#include "formats/ItemView.h"
#include "formats/ModelMailItem.h"
#include "formats/text/DateFormat.h"
#include "mapi/Tags.h"

namespace pellmark::formats {
namespace {

namespace prop = mapi::prop;

std::optional<store::ItemFacts::Time> timeOf(std::optional<uint64_t> fileTime) {
    if (!fileTime || *fileTime == 0) return std::nullopt;
    return store::ItemFacts::Time(std::chrono::seconds(unixTime(*fileTime)));
}

std::string shown(const Address& a) {
    if (a.name.empty() || a.name == a.address) return a.address;
    if (a.address.empty()) return a.name;
    return a.name + " <" + a.address + ">";
}

std::string upperHex(const std::vector<uint8_t>& bytes) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (uint8_t b : bytes) {
        out += hex[b >> 4];
        out += hex[b & 0x0F];
    }
    return out;
}

// Messages: what makes one the message it is, so that the same message in several folders or
// mailboxes is one, whatever each store keeps beside it (read or not, when it arrived).
bool isMessageClass(const std::string& cls) {
    auto is = [&](std::string_view prefix) {
        if (cls.size() < prefix.size()) return false;
        for (size_t i = 0; i < prefix.size(); ++i) {
            if (std::tolower(static_cast<unsigned char>(cls[i])) !=
                std::tolower(static_cast<unsigned char>(prefix[i]))) {
                return false;
            }
        }
        return cls.size() == prefix.size() || cls[prefix.size()] == '.';
    };
    return is("IPM.Note") || is("IPM.Post") || is("REPORT.IPM.Note");
}

// Each part goes in with its name and length, so no two different sequences of parts hash
// alike by where one part ends and the next starts.
class ContentHasher {
  public:
    void part(std::string_view name, std::string_view bytes) {
        begin(name, bytes.size());
        sha_.update(bytes);
    }
    void absent(std::string_view name) { sha_.update(std::string(name) + "\x01-\n"); }
    void optionalPart(std::string_view name, const std::optional<std::string>& value) {
        value ? part(name, *value) : absent(name);
    }
    void stream(std::string_view name, mapi::ByteStream& in) {
        begin(name, in.size());
        std::array<uint8_t, 64 * 1024> buffer;
        for (size_t n; (n = in.read(buffer)) > 0;) {
            sha_.update(std::string_view(reinterpret_cast<const char*>(buffer.data()), n));
        }
    }
    std::string hex() { return sha_.hex(); }

  private:
    void begin(std::string_view name, uint64_t size) {
        sha_.update(std::string(name) + '\0' + std::to_string(size) + '\0');
    }
    base::Sha256 sha_;
};

void hashMessage(const mapi::Item& item, ContentHasher& h);

void hashAttachments(const mapi::Item& item, ContentHasher& h) {
    const size_t count = item.attachmentCount();
    h.part("attachments", std::to_string(count));
    for (size_t i = 0; i < count; ++i) {
        const auto a = item.attachment(i);
        h.part("attachment name", a->fileName());
        h.part("attachment method", std::to_string(a->method()));
        if (const auto message = a->embeddedMessage()) {
            // An attached message counts by its content, not by the bytes of a .msg of it.
            ContentHasher inner;
            hashMessage(*message, inner);
            h.part("attached message", inner.hex());
        } else if (const auto object = a->objectData()) {
            h.stream("attached object", *object);
        } else {
            h.stream("attachment data", *a->openData());
        }
    }
}

void hashMessage(const mapi::Item& item, ContentHasher& h) {
    const ItemView view(item);
    h.part("class", item.messageClass());
    const Address from = view.from();
    h.part("from", from.name + '\n' + from.address);
    if (const auto sender = view.sender()) h.part("sender", sender->name + '\n' + sender->address);
    for (const RecipientView& r : view.recipients()) {
        h.part("recipient", std::to_string(r.type) + '\n' + r.who.name + '\n' + r.who.address);
    }
    h.part("sent", std::to_string(view.time(prop::kClientSubmitTime).value_or(0)));
    h.optionalPart("subject", item.string(prop::kSubject));
    h.optionalPart("message id", item.string(prop::kInternetMessageId));
    h.optionalPart("text body", item.string(prop::kBody));
    h.optionalPart("html body", view.htmlBody());
    h.optionalPart("rtf body", view.rtfBody());
    hashAttachments(item, h);
}

// Every property of `object` under a key of its own: its tag, or for a named property its
// name (the ids of names differ from file to file), in the order of the keys.
void hashProperties(const mapi::Properties& object, const mapi::Item& names, ContentHasher& h,
                    bool withoutData = false) {
    std::vector<std::pair<std::string, uint16_t>> keyed;
    for (const mapi::PropTag tag : object.tags()) {
        const uint16_t id = mapi::tagId(tag);
        if (withoutData && id == prop::kAttachData) continue;
        std::string key = std::to_string(tag);
        if (id >= 0x8000) {
            if (const auto name = names.nameOf(id)) {
                key = name->guid.toString() +
                      (name->isString ? " " + name->name : " #" + std::to_string(name->lid)) + " " +
                      std::to_string(static_cast<int>(mapi::tagType(tag)));
            }
        }
        keyed.emplace_back(std::move(key), id);
    }
    std::sort(keyed.begin(), keyed.end());
    for (const auto& [key, id] : keyed) {
        const auto value = object.get(id);
        value ? h.part(key, std::string_view(reinterpret_cast<const char*>(value->bytes.data()),
                                             value->bytes.size()))
              : h.absent(key);
    }
}

// An item that is no message is a copy of another only when every property, recipient and
// attachment is the same: its kind's own fields (times, places, names) are all among them.
void hashWholeItem(const mapi::Item& item, ContentHasher& h) {
    hashProperties(item, item, h);
    for (const mapi::Recipient& r : item.recipients()) {
        ContentHasher one;
        hashProperties(r, item, one);
        h.part("recipient", one.hex());
    }
    const size_t count = item.attachmentCount();
    h.part("attachments", std::to_string(count));
    for (size_t i = 0; i < count; ++i) {
        const auto a = item.attachment(i);
        hashProperties(*a, item, h, true);
        if (const auto message = a->embeddedMessage()) {
            ContentHasher inner;
            hashWholeItem(*message, inner);
            h.part("attached message", inner.hex());
        } else if (!a->objectData()) {
            h.stream("attachment data", *a->openData());
        }
    }
}

}  // namespace

store::DocumentFacts ModelMailItem::documentFacts() {
    return storeGuarded([&] {
        const ItemView view(*item_);
        store::DocumentFacts d;
        d.from = shown(view.from());
        for (const RecipientView& r : view.recipients()) {
            std::string& list = r.type == 3 ? d.bcc : r.type == 2 ? d.cc : d.to;
            list += (list.empty() ? "" : "; ") + shown(r.who);
        }
        d.sent = timeOf(view.time(prop::kClientSubmitTime));
        d.received = timeOf(view.time(prop::kMessageDeliveryTime));
        d.messageId = item_->string(prop::kInternetMessageId).value_or("");
        if (const auto index = item_->get(prop::kConversationIndex)) {
            d.conversationIndex = upperHex(index->bytes);
        }
        d.attachments = static_cast<int32_t>(item_->attachmentCount());
        return d;
    });
}

std::string ModelMailItem::contentHash() {
    return storeGuarded([&]() -> std::string {
        ContentHasher h;
        if (isMessageClass(item_->messageClass())) {
            h.part("kind", "message");
            hashMessage(*item_, h);
        } else {
            h.part("kind", "item");
            hashWholeItem(*item_, h);
        }
        return h.hex();
    });
}

}  // namespace pellmark::formats
