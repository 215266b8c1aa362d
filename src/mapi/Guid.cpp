#include "mapi/Guid.h"

#include <cstdio>

namespace pellmark::mapi {

std::optional<Guid> Guid::parse(std::string_view t) {
    if (t.size() == 38 && t.front() == '{' && t.back() == '}') t = t.substr(1, 36);
    if (t.size() != 36 || t[8] != '-' || t[13] != '-' || t[18] != '-' || t[23] != '-') {
        return std::nullopt;
    }
    auto hex = [&](size_t pos) -> int {
        int v = 0;
        for (size_t i = pos; i < pos + 2; ++i) {
            const char c = t[i];
            v <<= 4;
            if (c >= '0' && c <= '9')
                v |= c - '0';
            else if (c >= 'a' && c <= 'f')
                v |= c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                v |= c - 'A' + 10;
            else
                return -1;
        }
        return v;
    };
    // Text positions of the 16 bytes in storage order.
    static constexpr size_t kPos[16] = {6, 4, 2, 0, 11, 9, 16, 14, 19, 21, 24, 26, 28, 30, 32, 34};
    Guid g;
    for (size_t i = 0; i < 16; ++i) {
        const int b = hex(kPos[i]);
        if (b < 0) return std::nullopt;
        g.bytes[i] = static_cast<uint8_t>(b);
    }
    return g;
}

std::string Guid::toString() const {
    const auto& b = bytes;
    char buf[40];
    std::snprintf(buf, sizeof buf,
                  "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[3],
                  b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13],
                  b[14], b[15]);
    return buf;
}

namespace psetid {
const Guid kMapi = *Guid::parse("{00020328-0000-0000-C000-000000000046}");
const Guid kPublicStrings = *Guid::parse("{00020329-0000-0000-C000-000000000046}");
const Guid kInternetHeaders = *Guid::parse("{00020386-0000-0000-C000-000000000046}");
const Guid kCommon = *Guid::parse("{00062008-0000-0000-C000-000000000046}");
const Guid kAddress = *Guid::parse("{00062004-0000-0000-C000-000000000046}");
const Guid kAppointment = *Guid::parse("{00062002-0000-0000-C000-000000000046}");
const Guid kMeeting = *Guid::parse("{6ED8DA90-450B-101B-98DA-00AA003F1305}");
const Guid kTask = *Guid::parse("{00062003-0000-0000-C000-000000000046}");
const Guid kLog = *Guid::parse("{0006200A-0000-0000-C000-000000000046}");
const Guid kNote = *Guid::parse("{0006200E-0000-0000-C000-000000000046}");
}  // namespace psetid

}  // namespace pellmark::mapi
