#include "pst/messaging/Codepage.h"

#include "pst/ltp/Tags.h"

namespace pellmark::pst {

uint32_t windowsCodepage(uint32_t cp) {
    switch (cp) {
        case 50220:
        case 50221:
        case 50222:
        case 51932:
            return 932;  // ISO-2022-JP, EUC-JP
        case 52936:
        case 51936:
            return 936;  // HZ, EUC-CN
        case 50225:
        case 51949:
            return 949;  // ISO-2022-KR, EUC-KR
        case 20127:
        case 28591:
            return 1252;  // US-ASCII, Latin-1
        default:
            return cp;
    }
}

uint32_t namedCodepage(const PropertyContext& pc) {
    for (uint16_t id : {prop::kInternetCodepage, prop::kMessageCodepage}) {
        if (auto v = pc.get(id); v && v->asInteger() && *v->asInteger() > 0) {
            return windowsCodepage(static_cast<uint32_t>(*v->asInteger()));
        }
    }
    return 0;
}

uint32_t codepageOf(const PropertyContext& pc, uint32_t fallback) {
    const uint32_t cp = namedCodepage(pc);
    return cp ? cp : fallback;
}

}  // namespace pellmark::pst
