#include "formats/body/CompressedRtf.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "base/Crc32.h"
#include "formats/body/BodyError.h"

namespace pellmark::formats {
namespace {

constexpr uint32_t kCompressed = 0x75465A4C;    // "LZFu"
constexpr uint32_t kUncompressed = 0x414C454D;  // "MELA"
constexpr size_t kHeaderSize = 16;
constexpr size_t kDictionarySize = 4096;
constexpr size_t kDictionaryMask = kDictionarySize - 1;
constexpr size_t kMinMatch = 2;
constexpr size_t kMaxMatch = 17;
// Bytes one input byte can expand to at most: a control byte and eight references of two
// bytes each (17 bytes) yield 8 * 17 bytes.
constexpr uint64_t kMaxExpansion = 8;
constexpr size_t kMaxRunOutput = 8 * kMaxMatch;

// The dictionary's initial content ([MS-OXRTFCP]): 207 bytes of common RTF.
constexpr std::string_view kPreload =
    "{\\rtf1\\ansi\\mac\\deff0\\deftab720{\\fonttbl;}{\\f0\\fnil \\froman \\fswiss \\fmodern "
    "\\fscript \\fdecor MS Sans SerifSymbolArialTimes New RomanCourier{\\colortbl\\red0\\green0"
    "\\blue0\r\n\\par \\pard\\plain\\f0\\fs20\\b\\i\\u\\tab\\tx";
static_assert(kPreload.size() == 207);

uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void putLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

std::string hex32(uint32_t v) {
    static const char digits[] = "0123456789abcdef";
    std::string s = "0x";
    for (int shift = 28; shift >= 0; shift -= 4) s += digits[(v >> shift) & 0xF];
    return s;
}

// Decodes the runs of a compressed stream. The output buffer starts with the preloaded
// dictionary, so the linear buffer is the dictionary: a reference's 12-bit offset is turned
// into a distance back from the write position, which also covers the 4 KB wrap-around.
class Decoder {
  public:
    Decoder(std::span<const uint8_t> in, uint32_t rawSize) : in_(in) {
        limit_ = kPreload.size() + std::min<uint64_t>(rawSize, in.size() * kMaxExpansion);
        // RTF compresses about threefold; the buffer grows when a body does better.
        end_ = std::min<size_t>(limit_, kPreload.size() + in.size() * 3 + kMaxRunOutput);
        buf_.resize(end_);
        std::memcpy(buf_.data(), kPreload.data(), kPreload.size());
        pos_ = kPreload.size();
    }

    std::string run(uint32_t rawSize) {
        bool ended = false;
        while (!ended && inPos_ < in_.size() && pos_ < end_) ended = decodeRun();
        const size_t written = pos_ - kPreload.size();
        if (!ended && written < rawSize)
            throw BodyError("compressed RTF: data ends after " + std::to_string(written) + " of " +
                            std::to_string(rawSize) + " bytes without an end marker");
        buf_.resize(pos_);
        buf_.erase(0, kPreload.size());
        return std::move(buf_);
    }

  private:
    // One control byte and up to eight tokens; true at the end marker. Each run has room for
    // its whole output, so running out of room within a run means the raw size is reached.
    bool decodeRun() {
        if (end_ - pos_ < kMaxRunOutput && end_ < limit_) {
            end_ = std::min<size_t>(limit_, std::max(2 * end_, pos_ + kMaxRunOutput));
            buf_.resize(end_);
        }
        const uint8_t control = in_[inPos_++];
        if (control == 0 && in_.size() - inPos_ >= 8 && end_ - pos_ >= 8) {
            std::memcpy(buf_.data() + pos_, in_.data() + inPos_, 8);  // eight literals
            pos_ += 8;
            inPos_ += 8;
            return false;
        }
        for (int bit = 0; bit < 8; ++bit) {
            if (inPos_ >= in_.size() || pos_ >= end_) return false;
            if (!(control & (1u << bit))) {
                buf_[pos_++] = char(in_[inPos_++]);
            } else if (copyReference()) {
                return true;
            }
        }
        return false;
    }

    bool copyReference() {
        if (in_.size() - inPos_ < 2)
            throw BodyError("compressed RTF: a dictionary reference is cut off at the end");
        const unsigned word = unsigned(in_[inPos_]) << 8 | in_[inPos_ + 1];
        inPos_ += 2;
        const size_t offset = word >> 4;
        const size_t writeOffset = pos_ & kDictionaryMask;
        if (offset == writeOffset) return true;  // the end marker
        const size_t distance = (writeOffset - offset) & kDictionaryMask;
        if (distance > pos_)
            throw BodyError("compressed RTF: a reference points before the start of the data");
        size_t length = std::min<size_t>((word & 0xF) + kMinMatch, end_ - pos_);
        char* out = buf_.data() + pos_;
        const char* src = out - distance;
        pos_ += length;
        if (distance >= length) {
            std::memcpy(out, src, length);
        } else {
            while (length--) *out++ = *src++;  // overlapping: repeats the bytes just written
        }
        return false;
    }

    std::span<const uint8_t> in_;
    size_t inPos_ = 0;
    std::string buf_;
    size_t pos_ = 0;
    size_t end_ = 0;    // the end of the buffer
    size_t limit_ = 0;  // the end the raw size allows
};

// Greedy longest-match encoder over hash chains of two-byte prefixes. Among matches of the
// same length the oldest wins, which reproduces the encodings of [MS-OXRTFCP]'s examples.
class Encoder {
  public:
    explicit Encoder(std::string_view rtf) : text_(kPreload) {
        text_.append(rtf);
        head_.assign(65536, -1);
        prev_.assign(text_.size(), -1);
    }

    std::vector<uint8_t> run() {
        out_.assign(kHeaderSize, 0);
        size_t pos = kPreload.size();
        while (pos < text_.size()) {
            insertUpTo(pos);
            const auto [from, length] = longestMatch(pos);
            if (length >= kMinMatch) {
                emitReference(from & kDictionaryMask, length);
                pos += length;
            } else {
                emitLiteral(uint8_t(text_[pos]));
                ++pos;
            }
        }
        emitReference(pos & kDictionaryMask, kMinMatch);  // end marker: offset == write offset
        return finish();
    }

  private:
    static constexpr int kMaxChain = 256;

    static size_t key(const std::string& s, size_t p) {
        return size_t(uint8_t(s[p])) << 8 | uint8_t(s[p + 1]);
    }

    void insertUpTo(size_t pos) {
        for (; inserted_ < pos && inserted_ + 1 < text_.size(); ++inserted_) {
            const size_t k = key(text_, inserted_);
            prev_[inserted_] = head_[k];
            head_[k] = int32_t(inserted_);
        }
    }

    std::pair<size_t, size_t> longestMatch(size_t pos) const {
        if (pos + 1 >= text_.size()) return {0, 0};
        const size_t limit = std::min(kMaxMatch, text_.size() - pos);
        const size_t oldest = pos >= kDictionarySize - 1 ? pos - (kDictionarySize - 1) : 0;
        size_t bestFrom = 0, bestLength = 0;
        int steps = 0;
        for (int32_t c = head_[key(text_, pos)]; c >= 0 && size_t(c) >= oldest && steps < kMaxChain;
             c = prev_[size_t(c)], ++steps) {
            size_t n = 0;
            while (n < limit && text_[size_t(c) + n] == text_[pos + n]) ++n;
            if (n >= bestLength) {
                bestLength = n;
                bestFrom = size_t(c);
            }
        }
        return {bestFrom, bestLength};
    }

    void startToken(bool reference) {
        if (tokens_ == 8 || out_.size() == kHeaderSize) {
            control_ = out_.size();
            out_.push_back(0);
            tokens_ = 0;
        }
        if (reference) out_[control_] |= uint8_t(1u << tokens_);
        ++tokens_;
    }

    void emitLiteral(uint8_t b) {
        startToken(false);
        out_.push_back(b);
    }

    void emitReference(size_t offset, size_t length) {
        startToken(true);
        const unsigned word = unsigned(offset) << 4 | unsigned(length - kMinMatch);
        out_.push_back(uint8_t(word >> 8));
        out_.push_back(uint8_t(word));
    }

    std::vector<uint8_t> finish() {
        const size_t rawSize = text_.size() - kPreload.size();
        putLe32(out_.data(), uint32_t(out_.size() - 4));
        putLe32(out_.data() + 4, uint32_t(rawSize));
        putLe32(out_.data() + 8, kCompressed);
        const std::span<const uint8_t> content(out_.data() + kHeaderSize,
                                               out_.size() - kHeaderSize);
        putLe32(out_.data() + 12, base::computeCrc(content));
        return std::move(out_);
    }

    std::string text_;           // the preload followed by the input: the dictionary, never wrapped
    std::vector<int32_t> head_;  // the newest position of each two-byte prefix
    std::vector<int32_t> prev_;
    size_t inserted_ = 0;
    std::vector<uint8_t> out_;
    size_t control_ = 0;
    int tokens_ = 0;
};

}  // namespace

std::string decompressRtf(std::span<const uint8_t> data) {
    if (data.size() < kHeaderSize)
        throw BodyError("compressed RTF: " + std::to_string(data.size()) +
                        " bytes, shorter than its 16-byte header");
    const uint32_t compSize = le32(data.data());
    const uint32_t rawSize = le32(data.data() + 4);
    const uint32_t type = le32(data.data() + 8);
    const uint32_t crc = le32(data.data() + 12);
    const size_t available = data.size() - kHeaderSize;

    if (type == kUncompressed) {
        if (rawSize > available)
            throw BodyError("uncompressed RTF: header claims " + std::to_string(rawSize) +
                            " bytes, only " + std::to_string(available) + " present");
        return std::string(reinterpret_cast<const char*>(data.data()) + kHeaderSize, rawSize);
    }
    if (type != kCompressed)
        throw BodyError("compressed RTF: unknown compression type " + hex32(type));
    if (compSize < kHeaderSize - 4 || compSize - (kHeaderSize - 4) > available)
        throw BodyError("compressed RTF: header claims " + std::to_string(compSize) +
                        " compressed bytes, " + std::to_string(available + 12) + " present");
    const auto content = data.subspan(kHeaderSize, compSize - (kHeaderSize - 4));
    const uint32_t actual = base::computeCrc(content);
    if (actual != crc)
        throw BodyError("compressed RTF: CRC mismatch (stored " + hex32(crc) + ", computed " +
                        hex32(actual) + ")");
    return Decoder(content, rawSize).run(rawSize);
}

std::vector<uint8_t> compressRtf(std::string_view rtf) {
    // The hash chains hold 32-bit positions; 2 GB is far beyond any message body.
    if (rtf.size() > size_t(std::numeric_limits<int32_t>::max()) - kPreload.size())
        throw BodyError("compressed RTF: a document of " + std::to_string(rtf.size()) +
                        " bytes is too large to compress");
    return Encoder(rtf).run();
}

}  // namespace pellmark::formats
