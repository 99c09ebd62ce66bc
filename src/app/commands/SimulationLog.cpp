#include "commands/SimulationLog.h"

#include <string>

#include "commands/CommandSupport.h"
#include "windows/WindowServices.h"

namespace tallyfold {

void openSimulationLog(int unit) { openTextWindow(unit, "LOG Simulation", 90, 40, 20, 110); }

LogSink simulationLogSink(int unit) {
  return [unit](const std::string& line) { windows().writeLine(unit, line); };
}

ProgressSink statusBarProgress() {
  return [](int r, int total) { windows().setStatusBarText(progressText(r, total)); };
}

}  // namespace tallyfold
