#include "pst/messaging/ObjectCodepage.h"

#include "mapi/CodepageText.h"
#include "mapi/Tags.h"

namespace pellmark::pst {

uint32_t namedCodepage(const PropertyContext& pc) {
    for (uint16_t id : {mapi::prop::kInternetCodepage, mapi::prop::kMessageCodepage}) {
        if (auto v = pc.get(id); v && v->asInteger() && *v->asInteger() > 0) {
            return mapi::windowsCodepage(static_cast<uint32_t>(*v->asInteger()));
        }
    }
    return 0;
}

uint32_t codepageOf(const PropertyContext& pc, uint32_t fallback) {
    const uint32_t cp = namedCodepage(pc);
    return cp ? cp : fallback;
}

}  // namespace pellmark::pst
