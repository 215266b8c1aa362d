#pragma once
// The item model: an Outlook item as every reader gives it and every writer reads it, whatever
// file it came from. A message has properties (named ones through its own ids from 0x8000 up),
// recipients and attachments; an attachment may hold a message of its own, to any depth. Readers
// read lazily where they can: a large body or attachment is streamed, and nothing forces a
// whole item into memory.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mapi/Attachment.h"
#include "mapi/NamedProperty.h"
#include "mapi/Properties.h"
#include "mapi/Recipient.h"

namespace pellmark::mapi {

class Item : public Properties {
  public:
    virtual std::vector<Recipient> recipients() const = 0;
    virtual size_t attachmentCount() const = 0;
    // The attachment at `index` (from 0) in the attachment table's order.
    virtual std::unique_ptr<Attachment> attachment(size_t index) const = 0;

    // What a named property's id stands for; nullopt when the item's map does not know it.
    virtual std::optional<NamedProperty> nameOf(uint16_t propId) const = 0;
    // The id of a named property in this item; nullopt when it has none.
    virtual std::optional<uint16_t> idOf(const Guid& set, uint32_t lid) const = 0;
    virtual std::optional<uint16_t> idOf(const Guid& set, const std::string& name) const = 0;

    // The item's entry identifier in its store, as other items refer to it (a distribution
    // list to its members); empty where the reader gives none (an embedded message, a file).
    virtual std::vector<uint8_t> entryId() const { return {}; }

    // PR_MESSAGE_CLASS; empty when absent.
    std::string messageClass() const;
    // The subject without the two-character prefix marker a store may keep before it.
    std::string subject() const;
    // The value of a named property; nullopt when the item has none.
    std::optional<PropValue> named(const Guid& set, uint32_t lid) const;
    std::optional<PropValue> named(const Guid& set, const std::string& name) const;
};

}  // namespace pellmark::mapi
