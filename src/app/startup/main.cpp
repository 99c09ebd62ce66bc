#include "startup/main.h"

#include "commands/BusyGuard.h"
#include "state/GlobalVar.h"
#include "startup/MenuActions.h"
#include "windows/WindowServices.h"
#include "startup/startWin.h"
#include "commands/Cutoff.h"
#include "commands/Data.h"
#include "commands/RandomSeed.h"
#include "views/GoodnessOfFitView.h"
#include "views/HelpView.h"
#include "views/Plots.h"
#include "views/SaveResults.h"

namespace tallyfold {

bool buildMenus() {
  WindowServices& w = windows();
  w.placeFrame(0, 0, 800, 500);
  w.appendMenuEntry(1, MenuEntryKind::title, "&File", {});
  w.appendMenuEntry(1, MenuEntryKind::item, "&Open Data", menuOpenData);
  w.appendMenuEntry(1, MenuEntryKind::item, saveResultsCaption, saveResultsAs);
  w.appendMenuEntry(1, MenuEntryKind::item, savePlotCaption, savePlot);
  w.appendMenuEntry(1, MenuEntryKind::item, stopComputationCaption, menuStopComputation);
  w.setMenuEntryShortcut(stopComputationCaption, stopComputationKeys);
  w.setMenuEntryEnabled(stopComputationCaption, false);  // usable only while a computation runs
  w.appendMenuEntry(1, MenuEntryKind::separator, "", {});
  w.appendMenuEntry(1, MenuEntryKind::item, "E&xit", menuExit);
  w.appendMenuEntry(2, MenuEntryKind::title, "&Calculation", {});
  w.appendMenuEntry(2, MenuEntryKind::item, "&Calculating Population Size", menuCalculation);
  w.appendMenuEntry(2, MenuEntryKind::item, goodnessOfFitCaption, menuGoodnessOfFit);
  w.setMenuEntryEnabled(goodnessOfFitCaption, false);  // usable once a calculation has fitted a mixture
  w.appendMenuEntry(2, MenuEntryKind::item, cutoffAnalysisCaption, menuCutoffAnalysis);
  w.appendMenuEntry(3, MenuEntryKind::title, "&Simulation", {});
  w.appendMenuEntry(3, MenuEntryKind::item, "&Start Simulation", menuSimulation);
  w.appendMenuEntry(3, MenuEntryKind::item, "&Start Bootstrap", menuBootstrap);
  w.appendMenuEntry(3, MenuEntryKind::item, "&Start Simulation Poisson-Gamma", menuPoissonGamma);
  w.appendMenuEntry(3, MenuEntryKind::item, randomSeedCaption, startRandomSeed);
  // Each plot is usable once the computation that feeds it has run.
  w.appendMenuEntry(4, MenuEntryKind::title, plotsMenuCaption, {});
  w.appendMenuEntry(4, MenuEntryKind::item, gradientPlotCaption, showGradientPlot);
  w.appendMenuEntry(4, MenuEntryKind::item, fitPlotCaption, showFitPlot);
  w.appendMenuEntry(4, MenuEntryKind::item, bootstrapPlotCaption, showBootstrapPlot);
  w.appendMenuEntry(4, MenuEntryKind::item, studyPlotCaption, showStudyPlot);
  for (std::string_view caption : {gradientPlotCaption, fitPlotCaption, bootstrapPlotCaption, studyPlotCaption}) {
    w.setMenuEntryEnabled(caption, false);
  }
  w.appendMenuEntry(5, MenuEntryKind::title, helpMenuCaption, {});
  w.appendMenuEntry(5, MenuEntryKind::item, guideCaption, showGuide);
  w.appendMenuEntry(5, MenuEntryKind::item, aboutCaption, showAbout);
  w.setMenuEntryShortcut("&Open Data", "Ctrl+O");
  w.setMenuEntryShortcut("E&xit", "Ctrl+Q");
  w.setMenuEntryShortcut(guideCaption, "F1");
  w.setCloseAction(menuExit);
  setUpDataOpening();
  return true;
}

void main() {
  GlobalVar& g = globalVar();
  g.setDefaults();
  showStartWindow(g.startUnit);
  openStatusWindow(g.statusUnit);
  g.maxComponents = defaults::maxComponents;
  g.numComponents = 1;
  idleLoop();
}

void idleLoop() { windows().setStatusBarText("Waiting"); }

int placeWindow(int number, int x, int y, int height, int width) {
  return windows().placeWindow(number, x, y, height, width);
}

}  // namespace tallyfold
