#pragma once
// The one way files are written: bytes go into a sink, through filters that change them on the
// way (line ends, an mbox entry's quoting), to a file that counts and hashes what it writes.
// A sink buffers what it is given and passes it on in large pieces; writers that build their
// output in place (an encoder) append to buffer() and call drainIfFull().

#include <cstdint>
#include <string>
#include <string_view>

namespace pellmark::base {

class ByteSink {
  public:
    static constexpr std::size_t kFlushAt = 256 * 1024;

    explicit ByteSink(std::string& buffer) : buffer_(buffer) {}
    virtual ~ByteSink() = default;
    ByteSink(const ByteSink&) = delete;
    ByteSink& operator=(const ByteSink&) = delete;

    void put(std::string_view bytes) {
        if (bytes.size() >= kFlushAt) {  // a large piece goes on as it is, not through the buffer
            flush();
            consume(bytes);
            return;
        }
        buffer_.append(bytes);
        if (buffer_.size() >= kFlushAt) flush();
    }
    std::string& buffer() { return buffer_; }
    void drainIfFull() {
        if (buffer_.size() >= kFlushAt) flush();
    }
    // Passes on what is buffered.
    void flush() {
        if (buffer_.empty()) return;
        consume(buffer_);
        buffer_.clear();
    }
    // Passes on everything and ends what the sink writes; throws when that fails.
    virtual void finish() { flush(); }

  protected:
    // What the sink does with bytes passed on, in order.
    virtual void consume(std::string_view bytes) = 0;

  private:
    std::string& buffer_;
};

}  // namespace pellmark::base
