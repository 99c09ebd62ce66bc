#pragma once
// One computation at a time. The calculation, simulation, bootstrap and
// Poisson-Gamma commands share the guard `calcThread` of the shared state:
// -1 while idle, otherwise the handle of the running worker.
#include <functional>

namespace tallyfold {

// True while a computation runs.
bool computationActive();

// When a computation runs, shows "Calculation is active!" (title "STATUS")
// and returns true; otherwise returns false and shows nothing.
bool refuseWhileBusy();

// Claims the guard and runs `work` on a worker thread. Returns false, having
// told the user why, when a computation already runs or no thread could be
// started (the guard is then released again).
//
// On the worker: a numerical error that would end the program (or any other
// exception) abandons the computation: `onAbandon` runs (to restore what the
// computation had replaced), the message is shown in a box titled "Error",
// and the program goes on. Either way the guard is released at the end and
// the status bar reads "Waiting".
bool startComputation(std::function<void()> work, std::function<void()> onAbandon = {});

}  // namespace tallyfold
