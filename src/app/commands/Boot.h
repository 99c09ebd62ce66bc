#pragma once
// The "&Start Bootstrap" command: dialog 105, then the bootstrap of the
// loaded data on a worker thread with its "LOG Simulation" window, the
// sample and interim files, and the simulation results window.
#include <cstdint>
#include <optional>
#include <stop_token>
#include <vector>

#include "commands/BusyGuard.h"

#include "estimation/EMtrun_alg.h"
#include "settings/Defaults.h"
#include "simulation/RunRecord.h"
#include "simulation/OutputFolders.h"

namespace tallyfold {

class Dialog;
class RandomStream;

// What a bootstrap run works with, copied when it starts.
struct BootstrapRun {
  std::vector<std::int32_t> observed;  // the loaded count table
  SearchSettings search;
  std::int32_t replications = defaults::replications;
  bool printInterim = defaults::printInterim;
  bool printSamples = defaults::printSamples;
  std::optional<RunRecord> record;  // shown and written with the summary
  bool writeReplicates = false;     // C:\Temp\Bootreplicates.csv, as the run goes
};

// Menu handler: checks the data, fills and runs dialog 105.
void startBootstrap();
// OK of dialog 105: reads and checks the settings, starts the run.
void bootstrapSettingsOk(Dialog& dialog);
// The worker's routine: the whole run over the copied table, drawing from
// `stream` and writing into `folders`; it touches no shared state. Returns
// the task for the interface thread, which sets populationSize to the
// observed table's own estimate of N (a table without a mixture fit leaves
// it as it was) and draws the summary and writes its file; nothing when the
// stop request ended the run (no interim or summary file is then written).
std::optional<JobFinish> runBootstrap(const BootstrapRun& run, RandomStream& stream, const OutputFolders& folders,
                                      std::stop_token stop = {});

}  // namespace tallyfold
