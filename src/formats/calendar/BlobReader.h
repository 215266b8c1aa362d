#pragma once
// Little-endian reads from a property's bytes, each checked against what is left: a read past
// the end throws CalendarError naming the field, never reads beyond the blob.

#include <cstdint>
#include <span>
#include <string>

#include "formats/calendar/CalendarError.h"

namespace pellmark::formats::calendar {

class BlobReader {
  public:
    BlobReader(std::span<const uint8_t> bytes, const char* blobName)
        : bytes_(bytes), name_(blobName) {}

    size_t offset() const { return offset_; }
    size_t left() const { return bytes_.size() - offset_; }

    uint8_t u8(const char* field) { return static_cast<uint8_t>(take(1, field)); }
    uint16_t u16(const char* field) { return static_cast<uint16_t>(take(2, field)); }
    uint32_t u32(const char* field) { return static_cast<uint32_t>(take(4, field)); }
    int32_t i32(const char* field) { return static_cast<int32_t>(u32(field)); }
    // `size` bytes as they are.
    std::span<const uint8_t> bytes(size_t size, const char* field) {
        need(size, field);
        std::span<const uint8_t> piece = bytes_.subspan(offset_, size);
        offset_ += size;
        return piece;
    }
    void skip(size_t size, const char* field) { bytes(size, field); }
    // A count of elements of `elementSize` bytes each that must fit in what is left.
    uint32_t count(const char* field, size_t elementSize) {
        uint32_t n = u32(field);
        if (elementSize != 0 && n > left() / elementSize) fail(field, "count runs past the end");
        return n;
    }

    [[noreturn]] void fail(const char* field, const char* why) const {
        throw CalendarError(std::string(name_) + ": " + field + " at offset " +
                            std::to_string(offset_) + ": " + why);
    }

  private:
    void need(size_t size, const char* field) const {
        if (left() < size) fail(field, "runs past the end");
    }
    uint64_t take(size_t size, const char* field) {
        need(size, field);
        uint64_t value = 0;
        for (size_t i = 0; i < size; ++i) value |= uint64_t{bytes_[offset_ + i]} << (8 * i);
        offset_ += size;
        return value;
    }

    std::span<const uint8_t> bytes_;
    const char* name_;
    size_t offset_ = 0;
};

}  // namespace pellmark::formats::calendar
