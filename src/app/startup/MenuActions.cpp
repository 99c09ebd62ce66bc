#include "startup/MenuActions.h"

#include "commands/BusyGuard.h"
#include "commands/Data.h"
#include "commands/Calc.h"
#include "state/GlobalVar.h"
#include "windows/WindowServices.h"
#include "commands/Boot.h"
#include "commands/Cutoff.h"
#include "commands/SimPoisonnGamma.h"
#include "commands/Simu.h"
#include "views/GoodnessOfFitView.h"

namespace tallyfold {

void menuOpenData() { openData(); }
void menuStopComputation() { requestStop(); }

void menuCalculation() { startCalculation(); }
void menuGoodnessOfFit() { showGoodnessOfFit(); }
void menuCutoffAnalysis() { startCutoffAnalysis(); }
void menuSimulation() { startSimulation(); }
void menuBootstrap() { startBootstrap(); }
void menuPoissonGamma() { startPoissonGamma(); }

void menuExit() {
  WindowServices& w = windows();
  if (computationActive()) {
    if (!w.askYesNo("A computation is running. Stop it and exit?", "Exit")) return;
    requestStop();
    w.joinThreads();
  }
  w.exitProgram();
}

}  // namespace tallyfold
