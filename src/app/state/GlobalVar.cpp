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
  exactness = static_cast<double>(defaults::exactness);
  stopCriterion = defaults::stopCriterion;
  calcThread = -1;
  numBootReplications = defaults::bootReplications;
  numReplications = defaults::replications;
  numEstimators = 7;
  numSimCounts = defaults::numCounts;
  evaluatePerBootstrap = defaults::evaluatePerBootstrap;
  populationSize = defaults::populationSize;
  simMixtureSize = static_cast<std::int32_t>(defaults::simLambda.size());
  simWeight.assign(defaults::simWeight.begin(), defaults::simWeight.end());
  simLambda.assign(defaults::simLambda.begin(), defaults::simLambda.end());
  printSamples = defaults::printSamples;
  printInterim = defaults::printInterim;
  simFromDataset = defaults::simFromDataset;
  pgAlpha = defaults::pgAlpha;
  pgKappa = defaults::pgKappa;
  dataAvailable = 0;
}

void GlobalVar::resetAll() {
  setDefaults();
  dataFileName.clear();
  counts.clear();
  maxComponents = defaults::maxComponents;
  clearFittedMixture();
  results.reset();
  gradientPlot.reset();
  fitPlot.reset();
  bootstrapPlot.reset();
  studyPlot.reset();
  shownRun.reset();
  lastCalculation.reset();
  fixedSeed.reset();
  printReplicates = 0;
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
