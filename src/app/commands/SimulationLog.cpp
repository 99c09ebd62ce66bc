#include "commands/SimulationLog.h"

#include <string>

#include "commands/CommandSupport.h"
#include "simulation/SimulationFiles.h"
#include "state/GlobalVar.h"
#include "views/Simoutput.h"
#include "windows/WindowServices.h"

namespace tallyfold {

void openSimulationLog(int unit) { openTextWindow(unit, "LOG Simulation", 90, 40, 20, 110); }

LogSink simulationLogSink(int unit) {
  return [unit](const std::string& line) { windows().writeLine(unit, line); };
}

ProgressSink statusBarProgress() {
  return [](int r, int total) { windows().setStatusBarText(progressText(r, total)); };
}

SamplesDrawn sampleFileWriter(bool wanted, const OutputFolders& folders, int numCounts) {
  if (!wanted) return {};
  return [&folders, numCounts](const SampleTable& samples) {
    showFolderMessage(writeSampleFiles(folders, samples, numCounts));
  };
}

void closeStoppedRun(int unit) {
  windows().closeWindow(unit, true);
  windows().focusWindow(globalVar().statusUnit);
}

}  // namespace tallyfold
