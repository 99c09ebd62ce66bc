#include "windows/DialogTemplates.h"

#include <algorithm>
#include <array>

#include "windows/DialogIds.h"
#include "windows/WindowServices.h"

namespace tallyfold {

namespace {

using K = ControlKind;
constexpr int none = noControlId;

// 101: settings of the population-size calculation.
constexpr DialogControl calculationControls[] = {
    {none, K::centredStatic, "Tallyfold", 7, 7, 187, 12},
    {none, K::staticText, "Exactness of computation:", 24, 26, 87, 10},
    {idCalcExactness, K::edit, "", 111, 23, 83, 13},
    {none, K::staticText, "Stop criterion:", 25, 41, 46, 10},
    {idCalcNpmle, K::radio, "NPMLE", 80, 41, 47, 10, 1},
    {idCalcBic, K::radio, "BIC", 81, 54, 46, 10, 1},
    {idCalcMax, K::radio, "MAX", 80, 68, 47, 10, 1},
    {idCalcMaxComponents, K::edit, "", 136, 67, 28, 12},
    {idOk, K::defaultPushButton, "OK", 90, 84, 50, 14},
    {idCancel, K::pushButton, "Cancel", 146, 84, 50, 14},
};

// 102: the simulation study. Left column: stop criterion and the run
// settings; right column: where the samples come from, and the output files.
constexpr DialogControl simulationControls[] = {
    {none, K::centredStatic, "Simulation Study", 7, 5, 386, 12},

    {none, K::groupBox, "Stop Criteria", 7, 20, 200, 56},
    {idNpmle, K::radio, "NPMLE", 16, 33, 60, 10, 1},
    {idBic, K::radio, "BIC", 16, 46, 60, 10, 1},
    {idMax, K::radio, "MAX", 16, 59, 40, 10, 1},
    {idMaxComponents, K::edit, "", 60, 57, 34, 12},

    {none, K::groupBox, "Simulation Settings", 7, 80, 200, 122},
    {none, K::staticText, "Number of Replications", 15, 95, 118, 10},
    {idReplications, K::edit, "", 137, 93, 62, 12},
    {none, K::staticText, "Population Size", 15, 111, 118, 10},
    {idPopulationSize, K::edit, "", 137, 109, 62, 12},
    {none, K::staticText, "Exactness of Computation:", 15, 127, 118, 10},
    {idExactness, K::edit, "", 137, 125, 62, 12},
    {none, K::staticText, "Number of Counts", 15, 143, 118, 10},
    {idNumCounts, K::edit, "", 137, 141, 62, 12},
    {idEvaluate, K::checkBox, "Evaluate per Bootsrap", 15, 159, 184, 10},
    {none, K::staticText, "Number of Bootstrap Replications", 15, 177, 118, 10},
    {idBootReplications, K::edit, "", 137, 175, 62, 12},

    {none, K::groupBox, "Simulation Type", 213, 20, 180, 142},
    {idFromDataset, K::radio, "Nonprametric Simulation from Dataset", 221, 33, 166, 10, 2},
    {idParametric, K::radio, "Parametric Simulation", 221, 46, 166, 10, 2},
    {none, K::staticText, "Component          Lambda         Weight", 221, 61, 166, 10},
    {idDistribution, K::listBox, "", 221, 72, 166, 64},
    {idChangeDistribution, K::pushButton, "Change Distribution", 221, 142, 80, 14},
    {idResultDistribution, K::pushButton, "Result Distribution", 307, 142, 80, 14},

    {none, K::groupBox, "Output", 213, 166, 180, 36},
    {idPrintInterim, K::checkBox, "Print out Interim Result ", 221, 178, 166, 10},
    {idPrintSamples, K::checkBox, "Print out Sim Samples", 221, 189, 166, 10},

    {idWriteReplicates, K::checkBox, "Write every replicate to Simreplicates.csv", 15, 212, 190, 10},
    {idOk, K::defaultPushButton, "OK", 287, 210, 50, 14},
    {idCancel, K::pushButton, "Cancel", 343, 210, 50, 14},
};

// 103: how many components the simulation mixture has.
constexpr DialogControl componentCountControls[] = {
    {none, K::staticText, "Number of Components", 10, 14, 94, 10},
    {idComponentCount, K::edit, "", 108, 12, 60, 12},
    {idOk, K::defaultPushButton, "OK", 62, 36, 50, 14},
    {idCancel, K::pushButton, "Cancel", 118, 36, 50, 14},
};

// 104: mean and weight of one component; idComponentNumber shows its number.
constexpr DialogControl componentControls[] = {
    {none, K::staticText, "Set Component ", 10, 8, 60, 10},
    {idComponentNumber, K::staticText, "", 72, 8, 40, 10},
    {none, K::staticText, "Lambda:", 10, 26, 50, 10},
    {idLambda, K::edit, "", 64, 24, 104, 12},
    {none, K::staticText, "Weight", 10, 44, 50, 10},
    {idWeight, K::edit, "", 64, 42, 104, 12},
    {idOk, K::defaultPushButton, "OK", 62, 64, 50, 14},
    {idCancel, K::pushButton, "Cancel", 118, 64, 50, 14},
};

// 105: the bootstrap of the loaded data.
constexpr DialogControl bootstrapControls[] = {
    {none, K::groupBox, "Stop Criteria", 7, 7, 186, 56},
    {idNpmle, K::radio, "NPMLE", 16, 20, 60, 10, 1},
    {idBic, K::radio, "BIC", 16, 33, 60, 10, 1},
    {idMax, K::radio, "MAX", 16, 46, 40, 10, 1},
    {idMaxComponents, K::edit, "", 60, 44, 34, 12},
    {none, K::staticText, "Number of Replications", 15, 73, 110, 10},
    {idReplications, K::edit, "", 127, 71, 62, 12},
    {none, K::groupBox, "Output", 7, 90, 186, 36},
    {idPrintInterim, K::checkBox, "Print out Interim Result ", 16, 102, 170, 10},
    {idPrintSamples, K::checkBox, "Print out Sim Samples", 16, 113, 170, 10},
    {idWriteReplicates, K::checkBox, "Replicates CSV", 16, 136, 66, 10},
    {idOk, K::defaultPushButton, "OK", 87, 134, 50, 14},
    {idCancel, K::pushButton, "Cancel", 143, 134, 50, 14},
};

// 107: the simulation from a Poisson-Gamma population.
constexpr DialogControl poissonGammaControls[] = {
    {none, K::centredStatic, "Simulation tool with Poisson-Gamma distribution", 7, 6, 206, 12},
    {none, K::groupBox, "Settings", 7, 22, 206, 94},
    {none, K::staticText, "Alpha:", 15, 37, 110, 10},
    {idAlpha, K::edit, "", 131, 35, 74, 12},
    {none, K::staticText, "Kappa:", 15, 53, 110, 10},
    {idKappa, K::edit, "", 131, 51, 74, 12},
    {none, K::staticText, "Population Size:", 15, 69, 110, 10},
    {idPopulationSize, K::edit, "", 131, 67, 74, 12},
    {none, K::staticText, "Number of Replications:", 15, 85, 110, 10},
    {idReplications, K::edit, "", 131, 83, 74, 12},
    {none, K::staticText, "Number of Counts:", 15, 101, 110, 10},
    {idNumCounts, K::edit, "", 131, 99, 74, 12},
    {none, K::groupBox, "Output", 7, 120, 206, 36},
    {idPrintInterim, K::checkBox, "Print out Interim Result ", 16, 132, 190, 10},
    {idPrintSamples, K::checkBox, "Print out Sim Samples", 16, 143, 190, 10},
    {idOk, K::defaultPushButton, "OK", 107, 164, 50, 14},
    {idCancel, K::pushButton, "Cancel", 163, 164, 50, 14},
};

// 110: the seed of the next simulations and bootstraps.
constexpr DialogControl randomSeedControls[] = {
    {none, K::centredStatic, "Random seed of the next runs", 7, 6, 186, 12},
    {idFixedSeed, K::radio, "Fixed seed (1..2147483646):", 15, 24, 110, 10, 1},
    {idSeed, K::edit, "", 129, 22, 64, 12},
    {idClockSeed, K::radio, "From the clock at each run", 15, 40, 170, 10, 1},
    {idOk, K::defaultPushButton, "OK", 87, 58, 50, 14},
    {idCancel, K::pushButton, "Cancel", 143, 58, 50, 14},
};

constexpr std::array templates{
    DialogTemplate{dialogCalculation, "Dialog", 204, 106, "Arial", 12, calculationControls},
    DialogTemplate{dialogSimulation, "Simulation Study", 400, 232, "Arial", 10, simulationControls},
    DialogTemplate{dialogComponentCount, "Distribution", 178, 58, "Arial", 10, componentCountControls},
    DialogTemplate{dialogComponent, "Set Component", 178, 86, "Arial", 10, componentControls},
    DialogTemplate{dialogBootstrap, "Bootstrap ", 200, 156, "Arial", 10, bootstrapControls},
    DialogTemplate{dialogPoissonGamma, "Simulation", 220, 186, "Arial", 10, poissonGammaControls},
    DialogTemplate{dialogRandomSeed, "Random Seed", 200, 80, "Arial", 10, randomSeedControls},
};

}  // namespace

const DialogControl* DialogTemplate::control(int controlId) const {
  if (controlId == noControlId) return nullptr;
  const auto found =
      std::find_if(controls.begin(), controls.end(), [controlId](const DialogControl& c) { return c.id == controlId; });
  return found == controls.end() ? nullptr : &*found;
}

const DialogTemplate* findDialogTemplate(int id) {
  const auto found =
      std::find_if(templates.begin(), templates.end(), [id](const DialogTemplate& t) { return t.id == id; });
  return found == templates.end() ? nullptr : &*found;
}

std::span<const DialogTemplate> dialogTemplates() { return templates; }

bool isButton(ControlKind kind) { return kind == ControlKind::pushButton || kind == ControlKind::defaultPushButton; }

}  // namespace tallyfold
