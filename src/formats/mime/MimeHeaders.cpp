#include "formats/mime/MimeHeaders.h"

#include <gmime/gmime.h>

#include <algorithm>
#include <array>
#include <vector>

#include "base/AsciiCase.h"
#include "formats/mime/DateHeader.h"
#include "formats/mime/HeaderFields.h"
#include "formats/mime/MimeAddress.h"
#include "formats/mime/MimeOutput.h"
#include "formats/mime/MimeParts.h"
#include "formats/text/DateFormat.h"
#include "formats/text/TextOutput.h"
#include "mapi/Tags.h"

namespace pellmark::formats {
namespace {

namespace prop = mapi::prop;

// A field name is printable ASCII without blanks or colons (RFC 5322 2.2).
bool isFieldName(std::string_view name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u > 0x20 && u < 0x7F && c != ':';
    });
}

// The header lines of one message, as they are added.
struct Block {
    std::string text;
    std::vector<std::string> names;

    void raw(const RawHeader& h) {
        appendRawField(text, h.name, h.value);
        names.push_back(h.name);
    }
    // Unstructured text, encoded where it is not ASCII.
    void append(std::string_view name, const std::string& value) {
        if (value.empty()) return;
        appendField(text, name, encodedText(headerSafe(value)), Fold::Unstructured);
        names.emplace_back(name);
    }
    bool has(std::string_view name) const {
        return std::any_of(names.begin(), names.end(),
                           [&](const std::string& n) { return base::equalsNoCase(n, name); });
    }
};

// Always a mailbox, never the empty group RFC 5322 would allow for a name alone: readers
// show a group's name as no sender at all.
void addAddresses(Block& block, std::string_view field, const std::vector<Address>& addresses) {
    std::string value;
    for (const Address& a : addresses) {
        Mailbox box = mailboxOf(a);
        if (box.addrSpec.empty()) continue;
        box.name = headerSafe(box.name);
        box.addrSpec = headerSafe(box.addrSpec);
        if (!value.empty()) value += ", ";
        value += mailboxText(box);
    }
    if (value.empty()) return;
    appendField(block.text, field, value);
    block.names.emplace_back(field);
}

std::optional<uint64_t> itemDate(const ItemView& item) {
    if (auto t = item.sentTime()) return t;
    for (uint16_t id : {prop::kCreationTime, prop::kLastModificationTime}) {
        if (auto t = item.time(id); t && *t != 0) return t;
    }
    return std::nullopt;
}

void addDate(Block& message, const ItemView& item) {
    if (auto t = itemDate(item)) message.append("Date", formatRfc5322(*t));
}

void addSubject(Block& message, const ItemView& item) {
    message.append("Subject", item.subject());
}

void addFrom(Block& message, const ItemView& item) {
    addAddresses(message, "From", {item.from()});
    if (auto sender = item.sender()) addAddresses(message, "Sender", {*sender});
}

// An id as the headers write it: in angle brackets.
std::string messageId(std::string id) {
    if (!id.empty() && id.front() != '<') id = "<" + id + ">";
    return id;
}

void addPriorities(Block& message, const ItemView& item) {
    // Only what differs from normal is written, as mail programs do.
    if (auto v = item.integer(prop::kImportance); v && *v != 1) {
        message.append("Importance", *v == 0 ? "Low" : "High");
        message.append("X-Priority", *v == 0 ? "5 (Lowest)" : "1 (Highest)");
    }
    if (auto v = item.integer(prop::kPriority); v && *v != 0) {
        message.append("Priority", *v > 0 ? "urgent" : "non-urgent");
    }
    static const std::array<const char*, 4> kSensitivity = {"", "Personal", "Private",
                                                            "Company-Confidential"};
    if (auto v = item.integer(prop::kSensitivity); v && *v > 0 && *v < 4) {
        message.append("Sensitivity", kSensitivity[static_cast<size_t>(*v)]);
    }
}

void addBuiltHeaders(Block& message, const ItemView& item) {
    addFrom(message, item);
    std::vector<Address> to, cc, bcc;
    for (const auto& r : item.recipients()) {
        (r.type == 2 ? cc : r.type == 3 ? bcc : to).push_back(r.who);
    }
    addAddresses(message, "To", to);
    addAddresses(message, "Cc", cc);
    addAddresses(message, "Bcc", bcc);
    addSubject(message, item);
    addDate(message, item);
    message.append("Message-ID", messageId(item.string(prop::kInternetMessageId).value_or("")));
    message.append("In-Reply-To", item.string(prop::kInReplyToId).value_or(""));
    message.append("References", item.string(prop::kInternetReferences).value_or(""));
    addPriorities(message, item);
    // Outlook opens a message marked so as a draft, ready to edit and send.
    constexpr int64_t kMsgFlagUnsent = 0x08;
    if (auto flags = item.integer(prop::kMessageFlags); flags && (*flags & kMsgFlagUnsent)) {
        message.append("X-Unsent", "1");
    }
}

// One Date field, always one every reader parses: the transport's own where it is one, else
// the item's time; what it replaces, and any further Date field, is kept as X-Original-Date.
void addTransportDate(Block& message, const ItemView& item, const RawHeader& h, bool& dated) {
    if (!dated && isRfc5322DateTime(h.value)) {
        message.raw({"Date", h.value});
    } else {
        if (!dated) addDate(message, item);
        message.raw({"X-Original-Date", h.value});
    }
    dated = true;
}

// Whether readers take every address of an address field as the sender meant it: a mailbox
// with a domain, or a group. Exchange wrote names unquoted ("Lokay, Michelle </O=ENRON/...>"),
// which readers split into a bare "Lokay" and an X.500 path.
bool addressesParse(std::string value) {
    ensureGMime();
    std::erase(value, '\n');  // unfolded
    InternetAddressList* list = internet_address_list_parse(nullptr, value.c_str());
    if (!list) return false;
    const int count = internet_address_list_length(list);
    bool sound = count > 0;
    for (int i = 0; sound && i < count; ++i) {
        InternetAddress* a = internet_address_list_get_address(list, i);
        if (!INTERNET_ADDRESS_IS_MAILBOX(a)) continue;
        const char* addr = internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(a));
        const std::string_view spec = addr ? addr : "";
        const size_t at = spec.rfind('@');
        sound = at != std::string_view::npos && at > 0 && at + 1 < spec.size();
    }
    g_object_unref(list);
    return sound;
}

struct AddressField {
    const char* name;
    int recipientType;  // 1 To, 2 Cc, 3 Bcc; 0 the author, -1 the sender
};
constexpr AddressField kAddressFields[] = {
    {"From", 0}, {"Sender", -1}, {"To", 1}, {"Cc", 2}, {"Bcc", 3}};

std::vector<Address> itemAddresses(const ItemView& item, int recipientType) {
    std::vector<Address> out;
    if (recipientType == 0) out.push_back(item.from());
    if (recipientType < 0) {
        if (auto sender = item.sender()) out.push_back(*sender);
    }
    for (const auto& r : item.recipients()) {
        if (r.type == recipientType) out.push_back(r.who);
    }
    std::erase_if(out, [](const Address& a) { return a.empty(); });
    return out;
}

// A transport address field as it came, unless readers cannot parse it: then the addresses
// the item holds for it, and the field as it came kept as X-Original-<name>.
void addTransportAddresses(Block& message, const ItemView& item, const RawHeader& h) {
    const auto* field =
        std::find_if(std::begin(kAddressFields), std::end(kAddressFields),
                     [&](const AddressField& f) { return base::equalsNoCase(h.name, f.name); });
    if (field == std::end(kAddressFields) || addressesParse(h.value)) return message.raw(h);
    const std::vector<Address> addresses = itemAddresses(item, field->recipientType);
    if (addresses.empty()) return message.raw(h);
    addAddresses(message, field->name, addresses);
    message.raw({"X-Original-" + std::string(field->name), h.value});
}

}  // namespace

std::vector<RawHeader> parseHeaderBlock(std::string_view text) {
    const std::string lines = normalizeLineEnds(text);
    std::vector<RawHeader> out;
    bool inField = false;  // whether a continuation line belongs to a kept field
    size_t pos = 0;
    while (pos < lines.size()) {
        size_t end = lines.find('\n', pos);
        if (end == std::string::npos) end = lines.size();
        const std::string_view line(lines.data() + pos, end - pos);
        pos = end + 1;
        if (line.empty()) break;  // the end of the header block
        if (line.front() == ' ' || line.front() == '\t') {
            if (inField) out.back().value.append("\n").append(line);
            continue;
        }
        const size_t colon = line.find(':');
        inField = colon != std::string_view::npos && isFieldName(line.substr(0, colon));
        if (inField) {
            out.push_back(
                {std::string(line.substr(0, colon)), std::string(line.substr(colon + 1))});
        }
    }
    return out;
}

bool isMimeStructureHeader(std::string_view name) {
    for (const char* structural : {"Content-Type", "Content-Transfer-Encoding",
                                   "Content-Disposition", "MIME-Version", "Content-Length"}) {
        if (base::equalsNoCase(name, structural)) return true;
    }
    return false;
}

std::string messageHeaders(const ItemView& item) {
    Block message;
    std::vector<RawHeader> transport =
        parseHeaderBlock(item.string(prop::kTransportMessageHeaders).value_or(""));
    std::erase_if(transport, [](const RawHeader& h) { return isMimeStructureHeader(h.name); });
    if (transport.empty()) {
        addBuiltHeaders(message, item);
        return std::move(message.text);
    }
    bool dated = false;
    for (const auto& h : transport) {
        if (base::equalsNoCase(h.name, "Date")) {
            addTransportDate(message, item, h, dated);
        } else {
            addTransportAddresses(message, item, h);
        }
    }
    // Headers cut short (a damaged store, a partial copy) still get what a reader needs.
    if (!message.has("From")) addFrom(message, item);
    if (!message.has("Subject")) addSubject(message, item);
    if (!message.has("Date")) addDate(message, item);
    return std::move(message.text);
}

std::string summaryHeaders(const ItemView& item) {
    Block message;
    addFrom(message, item);
    addSubject(message, item);
    addDate(message, item);
    return std::move(message.text);
}

}  // namespace pellmark::formats
