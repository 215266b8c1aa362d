#pragma once
// Bounds-checked little-endian reads over a span of bytes. Every structure of the file is
// read through this type, so a bad offset or size raises PstError instead of reading past
// the end. Checks are written as `size - offset < n` so they cannot overflow.

#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

#include "pst/io/PstError.h"

namespace pellmark::pst {

using Bytes = std::span<const uint8_t>;

class ByteView {
  public:
    ByteView() = default;
    explicit ByteView(Bytes data, ErrorCode code = ErrorCode::OutOfBounds)
        : data_(data), code_(code) {}

    size_t size() const noexcept { return data_.size(); }
    bool empty() const noexcept { return data_.empty(); }
    Bytes bytes() const noexcept { return data_; }
    const uint8_t* data() const noexcept { return data_.data(); }

    bool fits(size_t offset, size_t n) const noexcept {
        return offset <= data_.size() && data_.size() - offset >= n;
    }
    void require(size_t offset, size_t n, const char* what) const {
        if (!fits(offset, n)) fail(what, offset);
    }

    Bytes sub(size_t offset, size_t n, const char* what = "range") const {
        require(offset, n, what);
        return data_.subspan(offset, n);
    }
    ByteView view(size_t offset, size_t n, const char* what = "range") const {
        return ByteView(sub(offset, n, what), code_);
    }

    uint8_t u8(size_t offset) const {
        require(offset, 1, "byte");
        return data_[offset];
    }
    uint16_t u16(size_t offset) const { return load<uint16_t>(offset); }
    uint32_t u32(size_t offset) const { return load<uint32_t>(offset); }
    uint64_t u64(size_t offset) const { return load<uint64_t>(offset); }
    // Reads a 4- or 8-byte unsigned value, the width of ids that differ between ANSI and Unicode.
    uint64_t uint(size_t offset, size_t width) const {
        return width == 4 ? u32(offset) : u64(offset);
    }

    [[noreturn]] void fail(const char* what, size_t offset) const;

  private:
    template <typename T>
    T load(size_t offset) const {
        require(offset, sizeof(T), "value");
        T v;
        std::memcpy(&v, data_.data() + offset, sizeof(T));
        return v;  // the file is little-endian, as is every platform we build for
    }

    Bytes data_;
    ErrorCode code_ = ErrorCode::OutOfBounds;
};

}  // namespace pellmark::pst
