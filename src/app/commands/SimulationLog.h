#pragma once
// The "LOG Simulation" window of the simulation study, the bootstrap and the
// Poisson-Gamma simulation, and the status-bar progress of their runs.
#include "estimation/EMtrun_alg.h"
#include "simulation/SimulationEngine.h"

namespace tallyfold {

// Opens window `unit` titled "LOG Simulation": 90 x 40 text, black on white,
// cleared, at (0, 0) with height 20 and width 110.
void openSimulationLog(int unit);

// Writes each log line into window `unit`.
LogSink simulationLogSink(int unit);

// Shows "replicate r of R" in the status bar.
ProgressSink statusBarProgress();

}  // namespace tallyfold
