#pragma once
// The "LOG Simulation" window of the simulation study, the bootstrap and the
// Poisson-Gamma simulation, and the status-bar progress of their runs.
#include <chrono>
#include <string>
#include <vector>

#include "estimation/EMtrun_alg.h"
#include "simulation/OutputFolders.h"
#include "simulation/SimulationEngine.h"

namespace tallyfold {

// Opens window `unit` titled "LOG Simulation": 90 x 40 text, black on white,
// cleared, at (0, 0) with height 20 and width 110.
void openSimulationLog(int unit);

// Writes each log line into window `unit`.
LogSink simulationLogSink(int unit);

// The status bar's "replicate r of R", with ", about N s left" (or "min")
// from the pace since the run started once a second has passed.
class RunProgress {
 public:
  RunProgress();
  std::string text(int replicate, int replications) const;

 private:
  std::chrono::steady_clock::time_point start_;
};

// What the estimate of the time left reads: "about 7 s left", "about 3 min left".
std::string timeLeftText(double seconds);

// Shows the run's progress (RunProgress) in the status bar.
ProgressSink statusBarProgress();

// Writes the sample files sample1.txt … of counts 0..numCounts once the
// samples are drawn, when they are wanted (a folder that cannot be used is
// told in a box) and adds them to `files`; no callback otherwise. The
// folders and the list must outlive the run.
SamplesDrawn sampleFileWriter(bool wanted, const OutputFolders& folders, int numCounts,
                              std::vector<std::string>& files);

// A stopped run: its log window `unit` goes and the status window comes to
// the front.
void closeStoppedRun(int unit);

}  // namespace tallyfold
