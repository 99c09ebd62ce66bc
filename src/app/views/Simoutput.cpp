#include "views/Simoutput.h"

#include <filesystem>
#include <utility>

#include "commands/CommandSupport.h"
#include "state/GlobalVar.h"
#include "windows/WindowServices.h"

namespace tallyfold {

int drawSimulationResults(const SimulationSummary& summary) {
  globalVar().shownRun = ShownRun{summary, std::nullopt, {}, {}};  // for "Save Results As…"
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

void noteFiles(std::vector<std::string>& files, const FileOutcome& outcome) {
  showFolderMessage(outcome);
  for (const std::filesystem::path& path : outcome.written) files.push_back(path.string());
}

namespace {

// The shown run's seed, files and JSON, once its summary is drawn.
void keepRunOutputs(const std::optional<RunRecord>& run, RunOutputs outputs) {
  ShownRun& shown = *globalVar().shownRun;
  if (run) shown.seed = run->seed;
  shown.files = std::move(outputs.files);
  shown.json = std::move(outputs.json);
}

}  // namespace

void simulationSummary(const EstimateTables& tables, const std::optional<std::vector<Estimate>>& evalMedian,
                       bool trueSizeKnown, const OutputFolders& folders) {
  const GlobalVar& g = globalVar();
  const std::optional<std::int32_t> size =
      trueSizeKnown ? std::optional<std::int32_t>(g.populationSize) : std::nullopt;
  simulationSummary(tables, evalMedian, size, folders);
}

void simulationSummary(const EstimateTables& tables, const std::optional<std::vector<Estimate>>& evalMedian,
                       std::optional<std::int32_t> trueSize, const OutputFolders& folders,
                       const std::optional<RunRecord>& run, RunOutputs outputs) {
  const SimulationSummary summary = summarizeSimulation(tables, trueSize, evalMedian);
  const int y = drawSimulationResults(summary);
  const FileOutcome written = writeSummaryFile(folders, summary);
  noteFiles(outputs.files, written);
  keepRunOutputs(run, std::move(outputs));
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
                         const std::optional<RunRecord>& run, RunOutputs outputs) {
  const int y = drawSimulationResults(summarizeSimulation(tables, trueSize));
  keepRunOutputs(run, std::move(outputs));
  if (run) drawRunBlock(y, *run);
}

}  // namespace tallyfold
