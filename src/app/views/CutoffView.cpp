#include "views/CutoffView.h"

#include <string>
#include <vector>

#include "commands/CommandSupport.h"
#include "estimation/CutoffScanText.h"
#include "state/GlobalVar.h"
#include "windows/WindowServices.h"

namespace tallyfold {

void showCutoffAnalysis(std::span<const CutoffRow> rows) {
  const std::vector<std::string> lines = cutoffScanLines(rows);
  WindowServices& w = windows();
  const int unit = globalVar().cutoffUnit;
  w.closeWindow(unit, true);
  openTextWindow(unit, cutoffAnalysisTitle, 90, static_cast<int>(lines.size()) + 2, 20, 100);
  for (const std::string& line : lines) w.writeLine(unit, line);
}

}  // namespace tallyfold
