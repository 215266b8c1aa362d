#include "cli/StopSignals.h"

#include <signal.h>

namespace pellmark::cli {
namespace {

std::atomic<bool> stopRequested{false};
volatile sig_atomic_t stopSignal = 0;
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previous[3];

extern "C" void onStopSignal(int number) {
    stopSignal = number;
    stopRequested.store(true);
}

}  // namespace

StopSignals::StopSignals() {
    static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    // The handler goes after the first signal: a second one ends the program at once.
    action.sa_flags = SA_RESETHAND;
    for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &action, &previous[i]);
}

StopSignals::~StopSignals() {
    for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &previous[i], nullptr);
}

const std::atomic<bool>& StopSignals::requested() {
    return stopRequested;
}

int StopSignals::signal() {
    return stopSignal;
}

}  // namespace pellmark::cli
