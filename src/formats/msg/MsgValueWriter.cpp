#include "formats/msg/MsgValueWriter.h"

#include "formats/SaveError.h"
#include "formats/msg/MsgBytes.h"
#include "mapi/CodepageText.h"

namespace pellmark::formats {
namespace {

using mapi::PropType;

// Entry sizes are 32-bit: no value of a .msg file is larger.
constexpr uint64_t kMaxValueSize = 0xFFFFFFFFu;

uint32_t checkedSize(uint64_t size, mapi::PropTag tag) {
    if (size > kMaxValueSize) {
        throw SaveError("the value of property " + hex8(tag) + " is too large for a .msg file");
    }
    return static_cast<uint32_t>(size);
}

// A string value's bytes without terminator, in its own type: UTF-16LE, or 8-bit text in the
// object's code page. A terminator some writers keep in the .pst is not part of the text.
std::vector<uint8_t> stringBytes(PropType type, std::span<const uint8_t> value) {
    size_t n = value.size();
    if (type == PropType::Unicode) {
        if (n % 2 == 0) {
            while (n >= 2 && value[n - 1] == 0 && value[n - 2] == 0) n -= 2;
        }
    } else {
        while (n > 0 && value[n - 1] == 0) --n;
    }
    return {value.begin(), value.begin() + static_cast<std::ptrdiff_t>(n)};
}

// A string value as UTF-16LE without terminator; 8-bit text decoded in `codepage`.
std::vector<uint8_t> unicodeText(PropType type, std::span<const uint8_t> value, uint32_t codepage) {
    const std::vector<uint8_t> text = stringBytes(type, value);
    if (type == PropType::Unicode) return text;
    return utf16le(mapi::codepageToUtf8(text, codepage));
}

}  // namespace

mapi::PropValue msgValue(const mapi::Properties& source, mapi::PropTag tag) {
    auto value = source.get(mapi::tagId(tag));
    if (!value) throw SaveError("property " + hex8(tag) + " cannot be read");
    return std::move(*value);
}

std::string msgStreamName(mapi::PropTag tag) {
    return "__substg1.0_" + hex8(tag);
}

void MsgValueWriter::write(const mapi::Properties& source, mapi::PropTag tag, uint16_t id) {
    const PropType type = mapi::tagType(tag);
    if (mapi::isMultiValued(type)) return writeMultiple(id, msgValue(source, tag));
    switch (type) {
        case PropType::String8:
        case PropType::Unicode:
            return writeString(id, msgValue(source, tag));
        case PropType::Object:
            return;
        case PropType::Unspecified:
        case PropType::Null:
            return entries_.addFixed(mapi::makeTag(id, type), {});
        case PropType::Guid:
            break;  // 16 bytes: streamed like the variable-size types
        default:
            if (mapi::fixedSize(type) > 0) {
                return entries_.addFixed(mapi::makeTag(id, type), msgValue(source, tag).bytes);
            }
            break;
    }
    writeStreamed(id, type, source, tag);
}

void MsgValueWriter::writeString(uint16_t id, const mapi::PropValue& value) {
    if (value.type == PropType::String8 && eightBitAsStored_) {
        return writeString8(id, value.bytes);
    }
    writeUtf16(id, unicodeText(value.type, value.bytes, codepage_));
}

void MsgValueWriter::writeString8(uint16_t id, std::span<const uint8_t> bytes) {
    const mapi::PropTag out = mapi::makeTag(id, PropType::String8);
    const std::vector<uint8_t> text = stringBytes(PropType::String8, bytes);
    // The size counts the terminator the stream leaves out ([MS-OXMSG] 2.4.2.2).
    const uint32_t size = checkedSize(uint64_t{text.size()} + 1, out);
    storage_.writeStream(msgStreamName(out), text);
    entries_.addStreamed(out, size);
}

void MsgValueWriter::writeText(uint16_t id, std::string_view utf8) {
    writeUtf16(id, utf16le(utf8));
}

void MsgValueWriter::writeUtf16(uint16_t id, const std::vector<uint8_t>& text) {
    const mapi::PropTag out = mapi::makeTag(id, PropType::Unicode);
    // The size counts the terminator the stream leaves out ([MS-OXMSG] 2.4.2.2).
    const uint32_t size = checkedSize(uint64_t{text.size()} + 2, out);
    storage_.writeStream(msgStreamName(out), text);
    entries_.addStreamed(out, size);
}

void MsgValueWriter::writeStreamed(uint16_t id, PropType type, const mapi::Properties& source,
                                   mapi::PropTag tag) {
    // Binary values, GUIDs and types without a known layout: the bytes as stored, copied in
    // pieces so that an attachment of any size passes through a small buffer.
    const mapi::PropTag out = mapi::makeTag(id, type);
    uint64_t size = 0;
    if (auto in = source.stream(mapi::tagId(tag))) {
        checkedSize(in->size(), out);
        size = storage_.writeStream(msgStreamName(out), *in, kMaxValueSize);
    } else {
        storage_.writeStream(msgStreamName(out), {});
    }
    entries_.addStreamed(out, static_cast<uint32_t>(size));
}

void MsgValueWriter::writeMultiple(uint16_t id, const mapi::PropValue& value) {
    const PropType base = mapi::baseType(value.type);
    if (mapi::fixedSize(base) > 0) {
        // Fixed-size values one after another in one stream ([MS-OXMSG] 2.1.4.1).
        const mapi::PropTag out = mapi::makeTag(id, value.type);
        const uint32_t size = checkedSize(value.bytes.size(), out);
        storage_.writeStream(msgStreamName(out), value.bytes);
        return entries_.addStreamed(out, size);
    }
    // Variable-size values ([MS-OXMSG] 2.1.4.2): a stream per value, named after the tag and
    // the value's index, and a length stream listing their sizes: four bytes a string (whose
    // streams keep a terminator), eight a binary value.
    const bool strings = base == PropType::String8 || base == PropType::Unicode;
    const bool eightBit = base == PropType::String8 && eightBitAsStored_;
    const mapi::PropTag out = mapi::makeTag(id, !strings   ? value.type
                                                : eightBit ? PropType::MultiString8
                                                           : PropType::MultiUnicode);
    std::vector<uint8_t> lengths;
    const auto elements = value.elements();
    for (size_t i = 0; i < elements.size(); ++i) {
        std::vector<uint8_t> bytes = elements[i];
        if (eightBit) {
            bytes = stringBytes(base, elements[i]);
            bytes.push_back(0);
        } else if (strings) {
            bytes = unicodeText(base, elements[i], codepage_);
            bytes.insert(bytes.end(), 2, 0);
        }
        storage_.writeStream(msgStreamName(out) + "-" + hex8(static_cast<uint32_t>(i)), bytes);
        appendLe32(lengths, checkedSize(bytes.size(), out));
        if (!strings) appendLe32(lengths, 0);
    }
    storage_.writeStream(msgStreamName(out), lengths);
    entries_.addStreamed(out, checkedSize(lengths.size(), out));
}

}  // namespace pellmark::formats
