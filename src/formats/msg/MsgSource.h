#pragma once
// An item as the .msg writer reads it: its properties, recipient rows and attachments, whose
// named properties (ids from 0x8000) all come from one name map. PstMsgSource adapts the
// PST reader's messages; tests and benchmarks build items of their own.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "mapi/ByteStream.h"
#include "mapi/PropValue.h"
#include "pst/messaging/NameMap.h"

namespace pellmark::formats {

class MsgProperties {
  public:
    virtual ~MsgProperties() = default;
    // Every property the object holds, each id once.
    virtual std::vector<mapi::PropTag> tags() const = 0;
    // A value loaded whole; throws when it cannot be read.
    virtual mapi::PropValue value(mapi::PropTag tag) const = 0;
    // A value read in pieces, for values of any size.
    virtual std::unique_ptr<mapi::ByteStream> stream(mapi::PropTag tag) const = 0;
    // The code page of the object's 8-bit strings.
    virtual uint32_t codepage() const = 0;
};

class MsgItem;

class MsgAttachment : public MsgProperties {
  public:
    // The attached message; nullptr when the attachment is not one.
    virtual std::unique_ptr<MsgItem> embeddedMessage() const = 0;
    // The compound file of an attached OLE object's storage; nullptr when there is none.
    virtual std::unique_ptr<mapi::ByteStream> objectData() const = 0;
};

class MsgItem : public MsgProperties {
  public:
    virtual std::vector<std::unique_ptr<MsgProperties>> recipients() const = 0;
    virtual size_t attachmentCount() const = 0;
    virtual std::unique_ptr<MsgAttachment> attachment(size_t index) const = 0;
    // What a named property id stands for; nullopt when the map does not know it.
    virtual std::optional<mapi::NamedProperty> nameOf(uint16_t id) const = 0;
};

}  // namespace pellmark::formats
