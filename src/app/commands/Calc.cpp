#include "commands/Calc.h"

#include <optional>
#include <string>

#include "common/FieldLayout.h"
#include "common/ListDirected.h"
#include "views/Functions.h"
#include "commands/EMGFU.h"
#include "estimation/ResultFormat.h"
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

  const SearchSettings settings{g.exactness, g.stopCriterion, g.maxComponents};
  startComputation([settings] { runCalculation(settings); });
  dialog.exit(idOk);
}

void runCalculation(const SearchSettings& settings) {
  closeResultsWindow();
  runNpmle(settings);
  showResults();
}

void runNpmle(const SearchSettings& settings) {
  GlobalVar& g = globalVar();
  WindowServices& w = windows();
  const int unit = g.logUnit;
  openTextWindow(unit, "LOG", 90, 40, 20, 110);
  w.writeLine(unit, listDirected(calculationStartText));

  EMGFU(settings, unit, true);

  w.writeLine(unit, listDirected(calculationEndText));
  if (g.results) {
    for (const std::string& line : calculationSummaryLines(g.results->resN0, g.results->resNall, g.results->resBic)) {
      w.writeLine(unit, line);
    }
  }
  w.closeWindow(unit, true);
  w.focusWindow(g.statusUnit);
}

}  // namespace tallyfold
