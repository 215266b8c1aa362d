#pragma once
// Sequential reads of a value that may be large (attachment data, bodies): a reader gives such a
// value in pieces (a .pst subnode's data block by block), so a value of any size never sits
// whole in memory.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace pellmark::mapi {

class ByteStream {
  public:
    virtual ~ByteStream() = default;
    virtual uint64_t size() const = 0;
    // Reads up to out.size() bytes; returns how many, 0 at the end.
    virtual size_t read(std::span<uint8_t> out) = 0;
};

class MemoryStream : public ByteStream {
  public:
    explicit MemoryStream(std::vector<uint8_t> data) : data_(std::move(data)) {}
    uint64_t size() const override { return data_.size(); }
    size_t read(std::span<uint8_t> out) override;

  private:
    std::vector<uint8_t> data_;
    size_t pos_ = 0;
};

}  // namespace pellmark::mapi
