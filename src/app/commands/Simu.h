#pragma once
// The "&Start Simulation" command: dialog 102 with its mixture sub-dialogs
// 103 and 104, then the simulation study on a worker thread with its "LOG
// Simulation" window, the sample and interim files, and the simulation
// results window and summary file.
#include <cstdint>
#include <optional>
#include <stop_token>
#include <string_view>

#include "simulation/RunRecord.h"
#include "commands/BusyGuard.h"

#include "simulation/OutputFolders.h"
#include "simulation/SimulationEngine.h"

namespace tallyfold {

class Dialog;
class RandomStream;

// What a study works with, copied when it starts.
struct SimulationRun {
  StudySettings study;
  bool printInterim = true;
  bool printSamples = false;
  std::optional<RunRecord> record;  // shown and written with the summary
  bool writeReplicates = false;     // C:\Temp\Simreplicates.csv, as the run goes
};

// Menu handler: fills and runs dialog 102.
void startSimulation();
// OK of dialog 102: reads and checks the settings, starts the run.
void simulationSettingsOk(Dialog& dialog);
// Button idChangeDistribution of dialog 102: dialog 103, one dialog 104 per component, then
// the list is refilled (also after Cancel).
void changeDistribution(Dialog& dialog);
// OK of dialog 103: the number of components; opens the component dialogs.
void componentCountOk(Dialog& dialog);
// OK of dialog 104: the mean and weight of component `editedComponent`.
void componentOk(Dialog& dialog);
// Button idResultDistribution of dialog 102: the mixture of the last calculation becomes the
// simulation mixture.
void resultDistribution(Dialog& dialog);
// Rewrites list box idDistribution from the simulation mixture.
void fillDistributionList(Dialog& dialog);
// One line of list box idDistribution.
std::string distributionLine(int component, double lambda, double weight);

// The population size the simulation dialogs offer: the truncated Nall of
// the last recorded fit of numComponents components (within the recorded
// fits), else `populationSize`.
std::int32_t offeredPopulationSize();

// The worker's routine: the whole study, drawing from `stream` and writing
// into `folders`; it touches no shared state. Returns the task that draws the
// summary and writes its file on the interface thread; nothing when the
// stop request ended the study (no interim or summary file is then written).
std::optional<JobFinish> runSimulation(const SimulationRun& run, RandomStream& stream, const OutputFolders& folders,
                                       std::stop_token stop = {});

}  // namespace tallyfold
