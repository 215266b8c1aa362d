#pragma once
// An attachment of an item: its data (streamed), a message of its own, or an OLE object.

#include <cstdint>
#include <memory>
#include <string>

#include "mapi/Properties.h"

namespace pellmark::mapi {

class Item;

class Attachment : public Properties {
  public:
    // The attached message; nullptr when the attachment holds none. Throws when it should hold
    // one that cannot be read.
    virtual std::unique_ptr<Item> embeddedMessage() const = 0;
    // The compound file of an attached OLE object's storage; nullptr when there is none.
    virtual std::unique_ptr<ByteStream> objectData() const = 0;

    // PR_ATTACH_METHOD; by value when absent.
    int32_t method() const;
    // The long file name, else the short one, else the display name; may be empty.
    std::string fileName() const;
    // Whether it holds a message (an object of the embedded-message method).
    bool isEmbeddedMessage() const;
    // Bytes of the attachment's binary data; 0 for embedded messages and objects.
    uint64_t dataSize() const;
    // The binary data, streamed; an empty stream when there is none.
    std::unique_ptr<ByteStream> openData() const;
};

}  // namespace pellmark::mapi
