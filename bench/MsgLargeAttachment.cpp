// Writes a .msg holding one attachment of the size asked for, made up while it is written, so
// that the memory the writer needs for a large attachment can be measured on its own:
//   msg_large_attachment OUT.msg MEGABYTES
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "formats/msg/MsgWriter.h"
#include "mapi/Tags.h"

using namespace pellmark;

namespace {

// Attachment bytes of a fixed pattern, produced in the pieces the writer asks for.
class PatternStream : public mapi::ByteStream {
  public:
    explicit PatternStream(uint64_t size) : size_(size) {}
    uint64_t size() const override { return size_; }
    size_t read(std::span<uint8_t> out) override {
        const auto n = static_cast<size_t>(std::min<uint64_t>(out.size(), size_ - pos_));
        for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(pos_ + i);
        pos_ += n;
        return n;
    }

  private:
    uint64_t size_;
    uint64_t pos_ = 0;
};

mapi::PropValue unicode(const char* ascii) {
    mapi::PropValue v{mapi::PropType::Unicode, {}};
    for (const char* p = ascii; *p; ++p) v.bytes.insert(v.bytes.end(), {uint8_t(*p), 0});
    return v;
}

class LargeAttachment : public mapi::Attachment {
  public:
    explicit LargeAttachment(uint64_t size) : size_(size) {}
    std::vector<mapi::PropTag> tags() const override {
        return {mapi::makeTag(mapi::prop::kAttachLongFilename, mapi::PropType::Unicode),
                mapi::makeTag(mapi::prop::kAttachData, mapi::PropType::Binary)};
    }
    std::optional<mapi::PropValue> get(uint16_t) const override { return unicode("large.bin"); }
    std::unique_ptr<mapi::ByteStream> stream(uint16_t) const override {
        return std::make_unique<PatternStream>(size_);
    }
    uint32_t codepage() const override { return 1252; }
    std::unique_ptr<mapi::Item> embeddedMessage() const override { return nullptr; }
    std::unique_ptr<mapi::ByteStream> objectData() const override { return nullptr; }

  private:
    uint64_t size_;
};

class LargeItem : public mapi::Item {
  public:
    explicit LargeItem(uint64_t size) : size_(size) {}
    std::vector<mapi::PropTag> tags() const override {
        return {mapi::makeTag(mapi::prop::kSubject, mapi::PropType::Unicode)};
    }
    std::optional<mapi::PropValue> get(uint16_t) const override {
        return unicode("A large attachment");
    }
    uint32_t codepage() const override { return 1252; }
    std::vector<mapi::Recipient> recipients() const override { return {}; }
    size_t attachmentCount() const override { return 1; }
    std::unique_ptr<mapi::Attachment> attachment(size_t) const override {
        return std::make_unique<LargeAttachment>(size_);
    }
    std::optional<mapi::NamedProperty> nameOf(uint16_t) const override { return std::nullopt; }
    std::optional<uint16_t> idOf(const mapi::Guid&, uint32_t) const override {
        return std::nullopt;
    }
    std::optional<uint16_t> idOf(const mapi::Guid&, const std::string&) const override {
        return std::nullopt;
    }

  private:
    uint64_t size_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUT.msg MEGABYTES\n", argv[0]);
        return 2;
    }
    const uint64_t size = std::strtoull(argv[2], nullptr, 10) << 20;
    const auto start = std::chrono::steady_clock::now();
    try {
        formats::writeMsgFile(LargeItem(size), argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("wrote %llu MB of attachment in %.2f s\n",
                static_cast<unsigned long long>(size >> 20), took.count());
    return 0;
}
