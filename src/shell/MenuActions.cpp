#include "shell/MenuActions.h"

#include "data/Data.h"
#include "estimation/Calc.h"
#include "shell/GlobalVar.h"
#include "shell/WindowServices.h"
#include "simulation/Boot.h"
#include "simulation/SimPoisonnGamma.h"
#include "simulation/Simu.h"

namespace tallyfold {

void menuOpenData() { openData(); }

void menuCalculation() { startCalculation(); }
void menuSimulation() { startSimulation(); }
void menuBootstrap() { startBootstrap(); }
void menuPoissonGamma() { startPoissonGamma(); }

}  // namespace tallyfold
