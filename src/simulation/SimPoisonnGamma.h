#pragma once
// The "&Start Simulation Poisson-Gamma" command: dialog 107, then the
// simulation from a negative-binomial population on a worker thread. Its
// "LOG Simulation" window stays open; the summary is drawn without a file.
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
};

// Menu handler: fills and runs dialog 107.
void startPoissonGamma();
// OK of dialog 107: reads and checks the settings, starts the run.
void poissonGammaSettingsOk(Dialog& dialog);
// The worker's routine. numEstimators is 5 while it runs; the shared count
// table and fitted mixture are not touched.
void runPoissonGamma(const PoissonGammaRun& run, RandomStream& stream, const OutputFolders& folders);

}  // namespace tallyfold
