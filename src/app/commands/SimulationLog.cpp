#include "commands/SimulationLog.h"

#include <cmath>
#include <memory>
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

RunProgress::RunProgress() : start_(std::chrono::steady_clock::now()) {}

std::string RunProgress::text(int replicate, int replications) const {
  std::string text = progressText(replicate, replications);
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  if (elapsed >= 1.0 && replicate >= 1 && replicate < replications) {
    text += ", " + timeLeftText(elapsed / replicate * (replications - replicate));
  }
  return text;
}

std::string timeLeftText(double seconds) {
  const auto whole = static_cast<long long>(std::ceil(seconds));
  if (whole < 120) return "about " + std::to_string(whole) + " s left";
  return "about " + std::to_string((whole + 59) / 60) + " min left";
}

ProgressSink statusBarProgress() {
  auto progress = std::make_shared<const RunProgress>();
  return [progress](int r, int total) { windows().setStatusBarText(progress->text(r, total)); };
}

SamplesDrawn sampleFileWriter(bool wanted, const OutputFolders& folders, int numCounts,
                              std::vector<std::string>& files) {
  if (!wanted) return {};
  return [&folders, numCounts, &files](const SampleTable& samples) {
    noteFiles(files, writeSampleFiles(folders, samples, numCounts));
  };
}

void closeStoppedRun(int unit) {
  windows().closeWindow(unit, true);
  windows().focusWindow(globalVar().statusUnit);
}

}  // namespace tallyfold
