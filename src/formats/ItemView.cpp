#include "formats/ItemView.h"

#include <algorithm>

#include "base/AsciiCase.h"
#include "formats/OneOffEntryId.h"
#include "formats/body/CompressedRtf.h"
#include "formats/body/HtmlCharset.h"
#include "formats/body/HtmlToText.h"
#include "formats/body/RtfToText.h"
#include "mapi/CodepageText.h"
#include "mapi/NamedIds.h"
#include "mapi/Tags.h"

namespace pellmark::formats {

namespace prop = mapi::prop;

ItemKind itemKindOf(const std::string& cls) {
    auto is = [&](const char* prefix) {
        const size_t n = std::char_traits<char>::length(prefix);
        if (cls.size() < n) return false;
        for (size_t i = 0; i < n; ++i) {
            if (std::tolower(static_cast<unsigned char>(cls[i])) !=
                std::tolower(static_cast<unsigned char>(prefix[i]))) {
                return false;
            }
        }
        return cls.size() == n || cls[n] == '.';
    };
    if (is("IPM.Contact") || is("IPM.AbchPerson")) return ItemKind::Contact;
    if (is("IPM.DistList")) return ItemKind::DistList;
    if (is("IPM.Appointment")) return ItemKind::Appointment;
    if (is("IPM.Schedule.Meeting")) return ItemKind::Meeting;
    if (is("IPM.Task") || is("IPM.TaskRequest")) return ItemKind::Task;
    if (is("IPM.StickyNote")) return ItemKind::Note;
    if (is("IPM.Activity")) return ItemKind::Journal;
    if (is("IPM.Post")) return ItemKind::Post;
    if (is("IPM.Note") || is("IPM") || is("REPORT.IPM.Note")) return ItemKind::Mail;
    return ItemKind::Other;
}

ItemView::ItemView(const mapi::Item& message)
    : message_(message), kind_(itemKindOf(message.messageClass())) {}

std::optional<int64_t> ItemView::integer(uint16_t propId) const {
    auto v = message_.get(propId);
    return v ? v->asInteger() : std::nullopt;
}

std::optional<uint64_t> ItemView::time(uint16_t propId) const {
    auto v = message_.get(propId);
    return v ? v->asFileTime() : std::nullopt;
}

std::optional<mapi::PropValue> ItemView::named(const mapi::Guid& set, uint32_t lid) const {
    return message_.named(set, lid);
}

std::optional<mapi::PropValue> ItemView::named(const mapi::Guid& set,
                                               const std::string& name) const {
    return message_.named(set, name);
}

std::optional<std::string> ItemView::namedString(const mapi::Guid& set, uint32_t lid) const {
    auto v = named(set, lid);
    if (!v || !v->isString()) return std::nullopt;
    return v->asString(message_.codepage());
}

std::optional<uint64_t> ItemView::namedTime(const mapi::Guid& set, uint32_t lid) const {
    auto v = named(set, lid);
    return v ? v->asFileTime() : std::nullopt;
}

std::optional<int64_t> ItemView::namedInteger(const mapi::Guid& set, uint32_t lid) const {
    auto v = named(set, lid);
    return v ? v->asInteger() : std::nullopt;
}

std::vector<std::string> ItemView::categories() const {
    auto v = named(mapi::psetid::kPublicStrings, mapi::lid::kKeywordsName);
    return v ? v->asStrings(message_.codepage()) : std::vector<std::string>{};
}

// What names an address where the item may keep it: the properties of the sender, the author
// or a recipient row.
struct AddressProps {
    uint16_t name, type, email, smtp, entryId, searchKey;
};

namespace {

constexpr AddressProps kAuthorProps = {
    prop::kSentRepresentingName,         prop::kSentRepresentingAddrType,
    prop::kSentRepresentingEmailAddress, prop::kSentRepresentingSmtpAddress,
    prop::kSentRepresentingEntryId,      prop::kSentRepresentingSearchKey};
constexpr AddressProps kSenderProps = {prop::kSenderName,         prop::kSenderAddrType,
                                       prop::kSenderEmailAddress, prop::kSenderSmtpAddress,
                                       prop::kSenderEntryId,      prop::kSenderSearchKey};
constexpr AddressProps kRecipientProps = {prop::kDisplayName, prop::kAddrType, prop::kEmailAddress,
                                          prop::kSmtpAddress, prop::kEntryId,  prop::kSearchKey};

// The address a one-off entry id carries whole, else the "TYPE:ADDRESS" of a search key (in
// upper case, as MAPI makes it), for items that keep it nowhere else.
void fillAddressFromIds(Address& a, const std::optional<mapi::PropValue>& entryId,
                        const std::optional<mapi::PropValue>& searchKey, uint32_t codepage) {
    if (entryId) {
        if (auto oneOff = parseOneOffEntryId(entryId->bytes, codepage);
            oneOff && !oneOff->address.empty()) {
            a.address = oneOff->address;
            a.type = oneOff->addressType;
            return;
        }
    }
    if (!searchKey) return;
    std::string key(searchKey->bytes.begin(), searchKey->bytes.end());
    key = key.substr(0, key.find('\0'));
    const size_t colon = key.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == key.size()) return;
    const bool printable = std::all_of(key.begin(), key.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F;
    });
    if (!printable) return;
    a.type = key.substr(0, colon);
    a.address = key.substr(colon + 1);
}

// An address with the SMTP form preferred: the SMTP property, else the e-mail address.
template <class GetString>
Address readAddress(const AddressProps& p, const GetString& text) {
    Address a;
    a.name = text(p.name);
    a.type = text(p.type);
    if (std::string smtp = text(p.smtp); !smtp.empty()) {
        a.address = std::move(smtp);
        a.type = "SMTP";
    } else {
        a.address = text(p.email);
    }
    return a;
}

}  // namespace

Address ItemView::addressOf(const AddressProps& p) const {
    return readAddress(p, [&](uint16_t id) { return message_.string(id).value_or(""); });
}

void ItemView::addressFromIds(Address& a, const AddressProps& p) const {
    if (a.address.empty()) {
        fillAddressFromIds(a, message_.get(p.entryId), message_.get(p.searchKey),
                           message_.codepage());
    }
}

Address ItemView::from() const {
    Address author = addressOf(kAuthorProps);
    const Address sender = addressOf(kSenderProps);
    // Some stores name the author without an address and keep the address with the sender
    // only: that is one person, not mail sent on someone's behalf.
    const bool onePerson = author.empty() || author.name == sender.name;
    if (author.empty() || (author.address.empty() && author.name == sender.name)) author = sender;
    addressFromIds(author, kAuthorProps);
    if (onePerson) addressFromIds(author, kSenderProps);  // never someone else's address
    return author;
}

std::optional<Address> ItemView::sender() const {
    Address sender = addressOf(kSenderProps);
    addressFromIds(sender, kSenderProps);
    const Address author = from();
    if (sender.empty() ||
        (sender.name == author.name &&
         (sender.address.empty() || base::equalsNoCase(sender.address, author.address)))) {
        return std::nullopt;
    }
    return sender;
}

std::optional<uint64_t> ItemView::sentTime() const {
    // An item never sent (a draft) has no sent time; its creation time is not one.
    for (uint16_t id : {prop::kClientSubmitTime, prop::kMessageDeliveryTime}) {
        if (auto t = time(id); t && *t != 0) return t;
    }
    return std::nullopt;
}

std::vector<RecipientView> ItemView::recipients() const {
    std::vector<RecipientView> out;
    for (const auto& r : message_.recipients()) {
        RecipientView v;
        v.who = readAddress(kRecipientProps, [&](uint16_t id) { return r.text(id); });
        if (v.who.address.empty()) {
            fillAddressFromIds(v.who, r.get(kRecipientProps.entryId),
                               r.get(kRecipientProps.searchKey), message_.codepage());
        }
        if (v.who.name.empty()) v.who.name = r.text(prop::kRecipientDisplayName);
        v.type = r.type();
        out.push_back(std::move(v));
    }
    return out;
}

std::vector<AttachmentView> ItemView::attachments() const {
    std::vector<AttachmentView> out;
    const size_t count = message_.attachmentCount();
    for (size_t i = 0; i < count; ++i) {
        const auto a = message_.attachment(i);
        AttachmentView v;
        v.index = i;
        v.embedded = a->isEmbeddedMessage();
        v.fileName = v.embedded ? a->embeddedMessage()->subject() + ".msg" : a->fileName();
        v.mimeType = a->string(prop::kAttachMimeTag).value_or("");
        v.contentId = a->string(prop::kAttachContentId).value_or("");
        v.contentLocation = a->string(prop::kAttachContentLocation).value_or("");
        v.size = a->dataSize();
        auto flag = [&](uint16_t id) {
            auto p = a->get(id);
            return p && p->asBool().value_or(false);
        };
        v.hidden = flag(prop::kAttachmentHidden);
        v.contactPhoto = flag(prop::kAttachmentContactPhoto);
        out.push_back(std::move(v));
    }
    return out;
}

std::optional<std::string> ItemView::rtfBody() const {
    auto v = message_.get(prop::kRtfCompressed);
    if (!v || v->bytes.empty()) return std::nullopt;
    return decompressRtf(v->bytes);
}

std::optional<std::string> ItemView::htmlBody() const {
    if (auto v = message_.get(prop::kBodyHtml); v && !v->bytes.empty()) {
        if (v->isString()) return v->asString(message_.codepage());
        // A binary HTML body is in the internet code page, which its own <meta> may name.
        uint32_t cp = htmlDeclaredCodepage(v->bytes).value_or(message_.codepage());
        if (auto i = integer(prop::kInternetCodepage); i && *i > 0) cp = static_cast<uint32_t>(*i);
        return mapi::codepageToUtf8(v->bytes, cp);
    }
    if (auto rtf = rtfBody()) return htmlFromRtf(*rtf);
    return std::nullopt;
}

std::string ItemView::plainBody() const {
    if (auto body = message_.string(prop::kBody)) return *body;
    if (auto html = htmlBody()) return textFromHtml(*html);
    if (auto rtf = rtfBody()) return textFromRtf(*rtf);
    return {};
}

}  // namespace pellmark::formats
