#pragma once
// What every object of an Outlook item has: properties, by tag. A reader gives them as it can:
// values whole, or large ones in pieces; what the object lacks is absent (nullopt), what cannot
// be read throws.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mapi/ByteStream.h"
#include "mapi/PropValue.h"

namespace pellmark::mapi {

class Properties {
  public:
    virtual ~Properties() = default;

    // Every property the object holds, each id once, in the reader's order.
    virtual std::vector<PropTag> tags() const = 0;
    // The value of property `propId`, loaded whole; nullopt when the object has none.
    virtual std::optional<PropValue> get(uint16_t propId) const = 0;
    // The code page of the object's 8-bit strings.
    virtual uint32_t codepage() const = 0;

    // The type of property `propId` without loading its value; nullopt when absent.
    virtual std::optional<PropType> typeOf(uint16_t propId) const;
    // The size of its value in bytes without loading it; 0 when absent.
    virtual uint64_t sizeOf(uint16_t propId) const;
    // Its value read in pieces, for values of any size; an empty stream when absent.
    virtual std::unique_ptr<ByteStream> stream(uint16_t propId) const;

    // A string property as UTF-8; nullopt when absent or not a string.
    std::optional<std::string> string(uint16_t propId) const;
};

}  // namespace pellmark::mapi
