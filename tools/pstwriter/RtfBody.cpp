#include "pstwriter/RtfBody.h"

#include "pst/io/Crc.h"

namespace pellmark::pstwriter {
namespace {

constexpr uint32_t kCompressed = 0x75465A4C;  // "LZFu"
constexpr size_t kDictionaryStart = 207;       // after the preset dictionary text
constexpr size_t kDictionarySize = 4096;

}  // namespace

// Every byte goes out as a literal, eight to a control byte, and the stream ends with a
// reference to the dictionary's write position, the end marker. Readers that check the CRC
// of uncompressed ("MELA") content against zero exist, so the compressed form is used.
ByteVec encodeRtfBody(std::string_view rtf) {
    ByteBuffer data(rtf.size() + rtf.size() / 8 + 4);
    size_t control = 0;
    for (size_t i = 0; i <= rtf.size(); ++i) {
        if (i % 8 == 0) {
            control = data.size();
            data.u8(0);
        }
        if (i < rtf.size()) {
            data.u8(static_cast<uint8_t>(rtf[i]));
        } else {
            const auto end = static_cast<uint16_t>((kDictionaryStart + rtf.size()) % kDictionarySize);
            data.vec()[control] |= static_cast<uint8_t>(1u << (i % 8));
            data.u8(static_cast<uint8_t>(end >> 4));  // offset (12 bits) and length, big-endian
            data.u8(static_cast<uint8_t>((end & 0x0F) << 4));
        }
    }
    ByteBuffer b(data.size() + 16);
    b.u32(static_cast<uint32_t>(data.size() + 12));  // COMPSIZE counts what follows it
    b.u32(static_cast<uint32_t>(rtf.size()));        // RAWSIZE
    b.u32(kCompressed);
    b.u32(pst::computeCrc(data.span()));
    b.bytes(data.span());
    return b.take();
}

}  // namespace pellmark::pstwriter
