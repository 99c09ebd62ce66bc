#include "shell/MenuActions.h"

#include "data/Data.h"
#include "estimation/Calc.h"
#include "shell/GlobalVar.h"
#include "shell/WindowServices.h"

namespace tallyfold {

void menuOpenData() { openData(); }

// The computing commands below are not built yet; until they are, each
// refuses to run without data, as the finished commands will.
namespace {
void requireData() {
  if (globalVar().dataAvailable != 1) windows().messageBox("No Data available!", "Error");
}
}  // namespace

void menuCalculation() { startCalculation(); }
void menuSimulation() {}
void menuBootstrap() { requireData(); }
void menuPoissonGamma() {}

}  // namespace tallyfold
