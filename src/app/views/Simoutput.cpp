#include "views/Simoutput.h"

#include "commands/CommandSupport.h"
#include "state/GlobalVar.h"
#include "windows/WindowServices.h"

namespace tallyfold {

int drawSimulationResults(const SimulationSummary& summary) {
  globalVar().lastSummary = summary;  // for "Save Results As…"
  const GlobalVar& g = globalVar();
  WindowServices& w = windows();
  const int unit = g.simResultsUnit;
  openTextWindow(unit, "Simulation Results", 90, 40, 20, 110);

  w.initFonts(unit);
  w.selectFont(unit, "t'Arial'h16w9");
  int y = 10;
  w.drawTextAt(unit, summaryLeftMargin, y, "Simulation Results:");
  y += 30;

  w.initFonts(unit);
  w.selectFont(unit, "t'Arial'h14w7");
  const int columns = summary.estimators();
  w.drawTextAt(unit, 2 * summaryColumnWidth, y, summaryColumnHeader(columns));
  y += 30;

  for (const SummaryRow& row : summaryWindowRows(summary)) {
    if (row.kind == SummaryRow::Kind::separator) {
      w.drawLine(unit, 0, y, (columns + 2) * summaryColumnWidth, y);
      continue;
    }
    w.drawTextAt(unit, summaryLeftMargin, y, row.label);
    for (std::size_t k = 0; k < row.values.size(); ++k) {
      const int x = row.kind == SummaryRow::Kind::single ? 2 * summaryColumnWidth
                                                         : (static_cast<int>(k) + 2) * summaryColumnWidth;
      w.drawTextAt(unit, x, y, row.values[k]);
    }
    y += summaryLineHeight;
  }
  return y;
}

void drawRunBlock(int y, const RunRecord& run) {
  WindowServices& w = windows();
  const int unit = globalVar().simResultsUnit;
  y += summaryLineHeight;
  for (const std::string& line : runLines(run)) {
    w.drawTextAt(unit, summaryLeftMargin, y, line);
    y += summaryLineHeight;
  }
}

void showFolderMessage(const FileOutcome& outcome) {
  if (outcome.folderMessage) windows().messageBox(*outcome.folderMessage, "Error");
}

void simulationSummary(const EstimateTables& tables, const std::optional<std::vector<Estimate>>& evalMedian,
                       bool trueSizeKnown, const OutputFolders& folders) {
  const GlobalVar& g = globalVar();
  const std::optional<std::int32_t> size =
      trueSizeKnown ? std::optional<std::int32_t>(g.populationSize) : std::nullopt;
  simulationSummary(tables, evalMedian, size, folders);
}

void simulationSummary(const EstimateTables& tables, const std::optional<std::vector<Estimate>>& evalMedian,
                       std::optional<std::int32_t> trueSize, const OutputFolders& folders,
                       const std::optional<RunRecord>& run) {
  const SimulationSummary summary = summarizeSimulation(tables, trueSize, evalMedian);
  const int y = drawSimulationResults(summary);
  const FileOutcome written = writeSummaryFile(folders, summary);
  showFolderMessage(written);
  if (run) {
    drawRunBlock(y, *run);
    // Beside the summary file, only where that could be written (its
    // folder's message has been shown once).
    if (!written.folderMessage) writeRunFile(folders, *run);
  }
}

void poissonGammaSummary(const EstimateTables& tables, bool trueSizeKnown) {
  const GlobalVar& g = globalVar();
  const std::optional<std::int32_t> size =
      trueSizeKnown ? std::optional<std::int32_t>(g.populationSize) : std::nullopt;
  poissonGammaSummary(tables, size);
}

void poissonGammaSummary(const EstimateTables& tables, std::optional<std::int32_t> trueSize,
                         const std::optional<RunRecord>& run) {
  const int y = drawSimulationResults(summarizeSimulation(tables, trueSize));
  if (run) drawRunBlock(y, *run);
}

}  // namespace tallyfold
