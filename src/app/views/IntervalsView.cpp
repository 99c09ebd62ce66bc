#include "views/IntervalsView.h"

#include <string>
#include <vector>

#include "commands/CommandSupport.h"
#include "simulation/IntervalText.h"
#include "state/GlobalVar.h"
#include "windows/WindowServices.h"

namespace tallyfold {

namespace {

void showLines(int unit, std::string_view title, const std::vector<std::string>& lines) {
  WindowServices& w = windows();
  w.closeWindow(unit, true);
  openTextWindow(unit, title, 100, static_cast<int>(lines.size()) + 2, 12, 100);
  for (const std::string& line : lines) w.writeLine(unit, line);
}

}  // namespace

void showConfidenceIntervals(const EstimateTables& tables, double level) {
  showLines(globalVar().intervalsUnit, confidenceIntervalsTitle,
            intervalLines(studyEstimatorNames, estimateIntervals(tables, level), level));
}

void showCoverage(const std::array<EstimatorAccuracy, studyEstimators>& accuracy, std::int32_t populationSize,
                  double level) {
  showLines(globalVar().coverageUnit, coverageTitle, accuracyLines(accuracy, populationSize, level));
}

}  // namespace tallyfold
