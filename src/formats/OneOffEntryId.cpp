#include "formats/OneOffEntryId.h"

#include <algorithm>
#include <array>

#include "mapi/CodepageText.h"

namespace pellmark::formats {
namespace {

constexpr std::array<uint8_t, 16> kOneOffUid = {0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
                                                0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02};
constexpr uint16_t kUnicodeFlag = 0x8000;

// Reads one NUL-terminated string from `pos` and moves past it.
std::optional<std::string> nextString(mapi::Bytes b, size_t& pos, bool unicode, uint32_t codepage) {
    const size_t unit = unicode ? 2 : 1;
    for (size_t end = pos; end + unit <= b.size(); end += unit) {
        if (b[end] == 0 && (!unicode || b[end + 1] == 0)) {
            auto text = b.subspan(pos, end - pos);
            pos = end + unit;
            return unicode ? mapi::utf16ToUtf8(text) : mapi::codepageToUtf8(text, codepage);
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<OneOffAddress> parseOneOffEntryId(mapi::Bytes b, uint32_t codepage) {
    if (b.size() < 24 || !std::equal(kOneOffUid.begin(), kOneOffUid.end(), b.begin() + 4)) {
        return std::nullopt;
    }
    const uint16_t flags = static_cast<uint16_t>(b[22] | b[23] << 8);
    const bool unicode = (flags & kUnicodeFlag) != 0;
    size_t pos = 24;
    OneOffAddress a;
    auto name = nextString(b, pos, unicode, codepage);
    auto type = name ? nextString(b, pos, unicode, codepage) : std::nullopt;
    auto address = type ? nextString(b, pos, unicode, codepage) : std::nullopt;
    if (!address) return std::nullopt;
    a.displayName = std::move(*name);
    a.addressType = std::move(*type);
    a.address = std::move(*address);
    return a;
}

}  // namespace pellmark::formats
