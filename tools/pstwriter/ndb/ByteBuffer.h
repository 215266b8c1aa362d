#pragma once
// Little-endian appends and patches over a growing byte vector: every structure the writer
// emits is assembled through this type.

#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

namespace pellmark::pstwriter {

using ByteVec = std::vector<uint8_t>;
using ConstBytes = std::span<const uint8_t>;

class ByteBuffer {
  public:
    ByteBuffer() = default;
    explicit ByteBuffer(size_t reserve) { bytes_.reserve(reserve); }

    void u8(uint8_t v) { bytes_.push_back(v); }
    void u16(uint16_t v) { put(v); }
    void u32(uint32_t v) { put(v); }
    void u64(uint64_t v) { put(v); }
    // Ids and offsets are 4 bytes wide in ANSI files and 8 in Unicode ones.
    void uint(uint64_t v, size_t width) {
        if (width == 4)
            put(static_cast<uint32_t>(v));
        else
            put(v);
    }
    void bytes(ConstBytes b) { bytes_.insert(bytes_.end(), b.begin(), b.end()); }
    void zeros(size_t n) { bytes_.resize(bytes_.size() + n, 0); }
    void fill(size_t n, uint8_t v) { bytes_.resize(bytes_.size() + n, v); }
    void padTo(size_t size) {
        if (bytes_.size() < size) bytes_.resize(size, 0);
    }

    void patch16(size_t at, uint16_t v) { std::memcpy(bytes_.data() + at, &v, 2); }
    void patch32(size_t at, uint32_t v) { std::memcpy(bytes_.data() + at, &v, 4); }

    size_t size() const { return bytes_.size(); }
    ByteVec& vec() { return bytes_; }
    const ByteVec& vec() const { return bytes_; }
    ConstBytes span() const { return bytes_; }
    ByteVec take() { return std::move(bytes_); }

  private:
    template <typename T>
    void put(T v) {
        const size_t at = bytes_.size();
        bytes_.resize(at + sizeof(T));
        // Little-endian hosts only, like the reader.
        std::memcpy(bytes_.data() + at, &v, sizeof(T));
    }
    ByteVec bytes_;
};

}  // namespace pellmark::pstwriter
