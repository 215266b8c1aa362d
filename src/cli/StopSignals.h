#pragma once
// Ctrl-C, kill and a closed terminal (SIGINT, SIGTERM, SIGHUP) ask the export to stop: it
// finishes the items being written, removes its scratch files, prints what it did and exits
// with 128 + the signal's number. A second signal changes nothing; a third ends the program at
// once, and the next run into the same place removes what that leaves.

#include <atomic>

namespace pellmark::cli {

class StopSignals {
  public:
    // Installs the handlers for the rest of the process: a signal that comes as a run ends,
    // between two mailboxes or while the program exits still finds them, and the program ends
    // with the run's own status instead of being killed.
    static void install();

    // Set by the first signal.
    static const std::atomic<bool>& requested();
    // The signal that asked, or 0.
    static int signal();
};

}  // namespace pellmark::cli
