#include "export/Faults.h"

namespace pellmark::exporting {
namespace {

FaultHook& hook() {
    static FaultHook installed;
    return installed;
}

}  // namespace

void setFaultHook(FaultHook h) {
    hook() = std::move(h);
}

int injectedFault(FaultPoint point) {
    const FaultHook& h = hook();
    return h ? h(point) : 0;
}

}  // namespace pellmark::exporting
