#include "pstwriter/RtfBody.h"

namespace pellmark::pstwriter {
namespace {

constexpr uint32_t kUncompressed = 0x414C454D;  // "MELA"

}  // namespace

ByteVec encodeRtfBody(std::string_view rtf) {
    ByteBuffer b(rtf.size() + 16);
    b.u32(static_cast<uint32_t>(rtf.size() + 12));  // COMPSIZE counts what follows it
    b.u32(static_cast<uint32_t>(rtf.size()));       // RAWSIZE
    b.u32(kUncompressed);
    b.u32(0);  // CRC: always zero for uncompressed content
    b.bytes({reinterpret_cast<const uint8_t*>(rtf.data()), rtf.size()});
    return b.take();
}

}  // namespace pellmark::pstwriter
