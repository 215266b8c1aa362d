#include "cli/StopSignals.h"

#include <signal.h>

namespace pellmark::cli {
namespace {

std::atomic<bool> stopRequested{false};
volatile sig_atomic_t stopSignal = 0;
volatile sig_atomic_t signalsSeen = 0;
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The first signal asks the run to stop; a second, sent by an impatient user, changes nothing,
// so the run still removes its scratch files; a third ends the program at once (the next run
// into the same place removes what it leaves).
extern "C" void onStopSignal(int number) {
    if (stopSignal == 0) stopSignal = number;
    stopRequested.store(true);
    signalsSeen = signalsSeen + 1;  // C++20 deprecates ++ on a volatile
    if (signalsSeen >= 3) {
        ::signal(number, SIG_DFL);
        ::raise(number);
    }
}

}  // namespace

void StopSignals::install() {
    static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], &action, nullptr);
}

const std::atomic<bool>& StopSignals::requested() {
    return stopRequested;
}

int StopSignals::signal() {
    return stopSignal;
}

}  // namespace pellmark::cli
