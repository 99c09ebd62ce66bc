#pragma once
// The "&Start Simulation Poisson-Gamma" command: dialog 107, then the
// simulation from a negative-binomial population on a worker thread. Its
// "LOG Simulation" window stays open; the summary is drawn without a file.
#include <optional>
#include <stop_token>

#include "simulation/RunRecord.h"
#include "commands/BusyGuard.h"
#include "simulation/OutputFolders.h"
#include "simulation/SimulationEngine.h"

namespace tallyfold {

class Dialog;
class RandomStream;

// What a Poisson-Gamma run works with, copied when it starts.
struct PoissonGammaRun {
  PoissonGammaSettings settings;
  bool printInterim = false;
  bool printSamples = false;
  std::optional<RunRecord> record;  // shown with the summary
};

// Menu handler: fills and runs dialog 107.
void startPoissonGamma();
// OK of dialog 107: reads and checks the settings, starts the run.
void poissonGammaSettingsOk(Dialog& dialog);
// The worker's routine; it touches no shared state (numEstimators is 5 from
// the start of the run, set on the interface thread, to its end). Returns
// the task that draws the summary on the interface thread and sets
// numEstimators back to 7; nothing when the stop request ended the run (its
// log window is then closed).
std::optional<JobFinish> runPoissonGamma(const PoissonGammaRun& run, RandomStream& stream,
                                         const OutputFolders& folders, std::stop_token stop = {});

}  // namespace tallyfold
