#include "commands/Calc.h"

#include <memory>
#include <optional>
#include <string>

#include "common/FieldLayout.h"
#include "common/ListDirected.h"
#include "views/Functions.h"
#include "commands/EMGFU.h"
#include "estimation/ResultFormat.h"
#include "data/CountTable.h"
#include "views/GoodnessOfFitView.h"
#include "views/Plots.h"
#include "views/output.h"
#include "commands/BusyGuard.h"
#include "commands/CommandSupport.h"
#include "state/GlobalVar.h"
#include "windows/DialogIds.h"
#include "windows/WindowServices.h"
#include "startup/startWin.h"

namespace tallyfold {

namespace {

constexpr CriterionRadios criterionRadios{idCalcNpmle, idCalcBic, idCalcMax};

}  // namespace

void startCalculation() {
  const GlobalVar& g = globalVar();
  if (computationActive()) {
    // The dialog still opens (its OK says that a computation is active), but
    // the count table, which the running worker may be replacing, is not
    // read now.
    if (g.dataAvailable != 1) {
      windows().messageBox("No Data available!", "Error");
      return;
    }
  } else if (!requireEstimableData()) {
    return;
  }
  std::unique_ptr<Dialog> dialog = loadDialogOrReport(dialogCalculation);
  if (!dialog) return;
  dialog->setText(idCalcExactness, formatF(g.exactness, 13, 11));
  writeStatus("Ready for computation!");
  dialog->setAction(idOk, acceptCalculation);
  dialog->setText(idCalcMaxComponents, formatI(g.maxComponents, 5));
  criterionRadios.show(*dialog, g.stopCriterion);
  dialog->run();
}

void acceptCalculation(Dialog& dialog) {
  GlobalVar& g = globalVar();
  // Both fields are checked before anything is stored: a refused value
  // keeps the dialog open with the user's text and never reaches the
  // settings.
  const std::optional<double> exactness = readListReal(dialog.text(idCalcExactness));
  if (!exactness || !(*exactness > 0.0)) {
    windows().messageBox("Error occur by Exactness of computation!", "Error");
    return;
  }
  const std::optional<std::int32_t> maxComponents = readMaxComponents(dialog.text(idCalcMaxComponents));
  if (!maxComponents) return;
  writeStatus("Start the computation!");
  writeStatus("waiting...");
  g.stopCriterion = criterionRadios.read(dialog);
  g.exactness = *exactness;
  g.maxComponents = *maxComponents;

  CalculationInput input{g.counts, SearchSettings{g.exactness, g.stopCriterion, g.maxComponents, defaults::searchThreads},
                         g.results,
                         g.dataFileName};
  startJob([input = std::move(input)](std::stop_token stop) { return runCalculation(input, stop); });
  dialog.exit(idOk);
}

std::optional<JobFinish> runCalculation(const CalculationInput& input, std::stop_token stop) {
  closeResultsWindow();
  std::optional<CalculationResult> result = runNpmle(input, stop);
  if (!result) return std::nullopt;
  // The plots of the fits, built here on the worker: the gradient curves
  // take 400 evaluations of D per fit.
  std::optional<PlotDescription> gradient;
  std::optional<PlotDescription> fit;
  if (result->search.estimable && result->tables && !mixtureProblem(input.counts)) {
    const std::int32_t k = result->search.numComponents;
    gradient = gradientPlot(input.counts, k, *result->tables, stop);
    if (!gradient) return std::nullopt;
    fit = observedFittedPlot(input.counts, k, *result->tables);
  }
  auto shared = std::make_shared<CalculationResult>(std::move(*result));
  return [counts = input.counts, settings = input.settings, dataFile = input.dataFile, shared,
          gradient = std::move(gradient), fit = std::move(fit)] {
    const std::int32_t k = shared->search.estimable ? shared->search.numComponents : 1;
    storeSearchResult(shared->search, true);
    globalVar().lastCalculation = CalculationRecord{dataFile, counts, settings, shared->search};
    showResults(counts, k, shared->tables);
    const bool fitted = shared->search.estimable && shared->tables.has_value();
    windows().setMenuEntryEnabled(goodnessOfFitCaption, fitted);
    GlobalVar& g = globalVar();
    g.gradientPlot = gradient;
    g.fitPlot = fit;
    windows().setMenuEntryEnabled(gradientPlotCaption, gradient.has_value());
    windows().setMenuEntryEnabled(fitPlotCaption, fit.has_value());
  };
}

std::optional<CalculationResult> runNpmle(const CalculationInput& input, std::stop_token stop) {
  const GlobalVar& g = globalVar();
  WindowServices& w = windows();
  const int unit = g.logUnit;
  openTextWindow(unit, "LOG", 90, 40, 20, 110);
  w.writeLine(unit, listDirected(calculationStartText));

  const LogSink log = [unit](const std::string& line) { windows().writeLine(unit, line); };
  CalculationResult result{componentSearch(input.counts, input.settings, true, log, stop), std::nullopt};
  if (result.search.stopped) {
    w.closeWindow(unit, true);
    w.focusWindow(g.statusUnit);
    return std::nullopt;
  }
  result.tables = recordedTables(result.search, input.previousResults);

  w.writeLine(unit, listDirected(calculationEndText));
  if (result.tables) {
    const ResultTables& t = *result.tables;
    for (const std::string& line : calculationSummaryLines(t.resN0, t.resNall, t.resBic)) w.writeLine(unit, line);
  }
  w.closeWindow(unit, true);
  w.focusWindow(g.statusUnit);
  return result;
}

}  // namespace tallyfold
