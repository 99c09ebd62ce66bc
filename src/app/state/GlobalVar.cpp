#include "state/GlobalVar.h"

namespace tallyfold {

void GlobalVar::setDefaults() {
  statusUnit = 10;
  startUnit = 12;
  simLogUnit = 15;
  logUnit = 19;
  resultsUnit = 25;
  simResultsUnit = 30;
  numCountClasses = 0;
  exactness = static_cast<double>(single::exactness);
  stopCriterion = StopCriterion::max;
  calcThread = -1;
  numBootReplications = 30;
  numReplications = 10;
  numEstimators = 7;
  numSimCounts = 15;
  evaluatePerBootstrap = 1;
  populationSize = 5000;
  simMixtureSize = 2;
  simWeight.assign({0.5, 0.5});
  simLambda.assign({2.0, 4.0});
  printSamples = 0;
  printInterim = 1;
  simFromDataset = 0;
  pgAlpha = 0.5;
  pgKappa = 0.75;
  dataAvailable = 0;
}

void GlobalVar::resetAll() {
  setDefaults();
  dataFileName.clear();
  counts.clear();
  maxComponents = 2;
  clearFittedMixture();
  results.reset();
  editedComponent = 0;
}

void GlobalVar::clearFittedMixture() {
  numComponents = 1;
  lambda.clear();
  weight.clear();
  posterior = Matrix<double>();
  maxGradient = 0.0;
  bestBic = 0.0;
}

GlobalVar& globalVar() {
  static GlobalVar instance;
  return instance;
}

}  // namespace tallyfold
