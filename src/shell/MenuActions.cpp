#include "shell/MenuActions.h"

#include "data/Data.h"
#include "estimation/Calc.h"
#include "shell/GlobalVar.h"
#include "shell/WindowServices.h"
#include "simulation/Boot.h"

namespace tallyfold {

void menuOpenData() { openData(); }

void menuCalculation() { startCalculation(); }
void menuSimulation() {}
void menuBootstrap() { startBootstrap(); }
void menuPoissonGamma() {}

}  // namespace tallyfold
