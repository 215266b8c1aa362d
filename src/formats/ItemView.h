#pragma once
// What the writers read of an item, in the terms they need: its kind, sender and recipients
// (SMTP addresses preferred over Exchange-internal ones), times, attachments, bodies in UTF-8
// and named properties by name. Built over the item model; reads lazily.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "mapi/Guid.h"
#include "mapi/Item.h"

namespace pellmark::formats {

enum class ItemKind {
    Mail,
    Post,
    Contact,
    DistList,
    Appointment,
    Meeting,
    Task,
    Note,
    Journal,
    Other
};

ItemKind itemKindOf(const std::string& messageClass);

struct Address {
    std::string name;
    std::string address;  // SMTP where the item has it, else what it has
    std::string type;     // "SMTP", "EX", ...
    bool empty() const { return name.empty() && address.empty(); }
};

struct RecipientView {
    Address who;
    int type = 1;  // 1 To, 2 Cc, 3 Bcc
};

struct AttachmentView {
    size_t index = 0;  // in the attachment table, from 0
    std::string fileName;
    std::string mimeType;
    std::string contentId;
    std::string contentLocation;
    uint64_t size = 0;
    bool embedded = false;
    bool hidden = false;  // PR_ATTACHMENT_HIDDEN: inline parts not meant as attachments
    bool contactPhoto = false;
};

struct AddressProps;

class ItemView {
  public:
    explicit ItemView(const mapi::Item& message);

    const mapi::Item& message() const { return message_; }
    std::string messageClass() const { return message_.messageClass(); }
    ItemKind kind() const { return kind_; }
    std::string subject() const { return message_.subject(); }

    std::optional<std::string> string(uint16_t propId) const { return message_.string(propId); }
    std::optional<int64_t> integer(uint16_t propId) const;
    std::optional<uint64_t> time(uint16_t propId) const;

    std::optional<mapi::PropValue> named(const mapi::Guid& set, uint32_t lid) const;
    std::optional<mapi::PropValue> named(const mapi::Guid& set, const std::string& name) const;
    std::optional<std::string> namedString(const mapi::Guid& set, uint32_t lid) const;
    std::optional<uint64_t> namedTime(const mapi::Guid& set, uint32_t lid) const;
    std::optional<int64_t> namedInteger(const mapi::Guid& set, uint32_t lid) const;
    std::vector<std::string> categories() const;

    // The author as the From line shows it (sent-representing, else sender), with the
    // address from wherever the item keeps it.
    Address from() const;
    // The sender when it differs from the author (mail sent on behalf of someone).
    std::optional<Address> sender() const;
    // When the item was sent, else when it was delivered.
    std::optional<uint64_t> sentTime() const;
    std::vector<RecipientView> recipients() const;
    std::vector<AttachmentView> attachments() const;

    // The plain body; derived from the HTML or RTF body when the item has none.
    std::string plainBody() const;
    // The HTML body in UTF-8: the HTML property, or the HTML an RTF body carries.
    std::optional<std::string> htmlBody() const;
    // The decompressed RTF body.
    std::optional<std::string> rtfBody() const;

  private:
    Address addressOf(const AddressProps& props) const;
    // Fills an address still missing from the entry id or search key `props` name.
    void addressFromIds(Address& address, const AddressProps& props) const;

    const mapi::Item& message_;
    ItemKind kind_;
};

}  // namespace pellmark::formats
