#pragma once
// Points of a run where tests make it fail as a full disk or a kill would, to prove that no
// moment of an export loses a file, doubles one or leaves one unrecorded. Runs outside tests
// never set a hook, and each point then costs one test of an empty function.

#include <functional>

namespace pellmark::exporting {

enum class FaultPoint {
    ManifestWrite,  // an item's manifest lines are about to be written
    BeforeMoves,    // they are written; the item's files are about to take their names
    BetweenMoves,   // one of an item's files has taken its name, another is about to
};

// Returns an errno value the operation at that point fails with, or 0 to go on. A hook may
// also end the process there, as a kill would.
using FaultHook = std::function<int(FaultPoint)>;

void setFaultHook(FaultHook hook);
// 0 unless a hook says otherwise.
int injectedFault(FaultPoint point);

}  // namespace pellmark::exporting
