#pragma once
// Writes property values into one object's storage of a .msg file ([MS-OXMSG] 2.1):
// fixed-size values into the property stream, the others into streams of their own, and
// multi-valued ones as one stream or as a length stream and a stream per value. 8-bit strings
// become Unicode, decoded in the item's code page, unless they are to stay as stored.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/msg/MsgPropertyStream.h"
#include "formats/msg/OleWriter.h"
#include "mapi/Item.h"
#include "mapi/PropValue.h"

namespace pellmark::formats {

// The value of `tag` of `source`, loaded whole; throws SaveError when it is absent.
mapi::PropValue msgValue(const mapi::Properties& source, mapi::PropTag tag);

// "__substg1.0_" and the tag in upper-case hex: the stream of a property's value.
std::string msgStreamName(mapi::PropTag tag);

class MsgValueWriter {
  public:
    MsgValueWriter(OleStorage& storage, MsgPropertyStream& entries, uint32_t codepage,
                   bool eightBitAsStored)
        : storage_(storage),
          entries_(entries),
          codepage_(codepage),
          eightBitAsStored_(eightBitAsStored) {}

    // Writes the value of `tag` of `source` as the property `id` of the file. Object values
    // are the caller's: they become storages.
    void write(const mapi::Properties& source, mapi::PropTag tag, uint16_t id);
    // Writes `utf8` as the Unicode string property `id`: for values the writer derives.
    void writeText(uint16_t id, std::string_view utf8);
    // Writes `bytes` as the 8-bit string property `id`, without a terminator.
    void writeString8(uint16_t id, std::span<const uint8_t> bytes);

  private:
    void writeString(uint16_t id, const mapi::PropValue& value);
    void writeUtf16(uint16_t id, const std::vector<uint8_t>& text);
    void writeMultiple(uint16_t id, const mapi::PropValue& value);
    void writeStreamed(uint16_t id, mapi::PropType type, const mapi::Properties& source,
                       mapi::PropTag tag);

    OleStorage& storage_;
    MsgPropertyStream& entries_;
    uint32_t codepage_;
    bool eightBitAsStored_;
};

}  // namespace pellmark::formats
