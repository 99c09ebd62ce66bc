#pragma once
// The shared state of the windowed program: the loaded count data, the
// settings the dialogs edit, the mixture being fitted, the tables of the
// last calculation, the window numbers and the busy guard. One instance per
// process (globalVar()); the engines never see it: the commands copy what
// an engine needs out of it and write the results back.
//
// Arrays are 0-based vectors: counts[x - 1] is f(x). Arrays whose existence
// means something are std::optional (the result tables do not exist before
// the first recorded calculation).
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "common/Matrix.h"
#include "common/SinglePrecision.h"
#include "estimation/EMtrun_alg.h"
#include "settings/Defaults.h"
#include "simulation/SimulationSummary.h"
#include "windows/PlotDescription.h"

namespace tallyfold {

// The tables of the last recorded calculation, one entry per fit size
// s = 1..r: resLambda(s, j) and resWeight(s, j) for j <= s.
struct ResultTables {
  Matrix<double> resLambda;
  Matrix<double> resWeight;
  std::vector<double> resLogLik;
  std::vector<double> resBic;
  std::vector<double> resN0;
  std::vector<double> resNall;
  std::vector<double> resMaxGrad;

  int size() const { return static_cast<int>(resLogLik.size()); }
};

// The last calculation as it ran: the table read from dataFile, the
// settings and the search with its recorded fits ("Save Results As…" writes
// its JSON from them).
struct CalculationRecord {
  std::string dataFile;
  std::vector<std::int32_t> counts;
  SearchSettings settings;
  SearchResult search;
};

// A run's JSON as tallyfold-cli writes it, made from its summary and the
// files the run wrote, in the order they were written.
using RunJsonMaker = std::function<nlohmann::json(const SimulationSummary&, const std::vector<std::string>& files)>;

// The run the "Simulation Results" window shows: its summary, the seed its
// run record names, the files it wrote and how its JSON is made (none:
// the run offers no JSON).
struct ShownRun {
  SimulationSummary summary;
  std::optional<std::int32_t> seed;
  std::vector<std::string> files;
  RunJsonMaker json;
};

struct GlobalVar {
  // Window numbers.
  std::int32_t statusUnit = 10;
  std::int32_t startUnit = 12;
  std::int32_t simLogUnit = 15;
  std::int32_t logUnit = 19;
  std::int32_t resultsUnit = 25;
  std::int32_t simResultsUnit = 30;
  std::int32_t goodnessOfFitUnit = 35;
  std::int32_t intervalsUnit = 36;
  std::int32_t coverageUnit = 37;
  std::int32_t cutoffUnit = 38;
  std::int32_t guideUnit = 39;
  // Plot windows (numbered apart from the text windows).
  std::int32_t gradientPlotUnit = 1;
  std::int32_t fitPlotUnit = 2;
  std::int32_t bootstrapPlotUnit = 3;
  std::int32_t studyPlotUnit = 4;

  // The plots of the last calculation, bootstrap and simulation study; none
  // before the first.
  std::optional<PlotDescription> gradientPlot;
  std::optional<PlotDescription> fitPlot;
  std::optional<PlotDescription> bootstrapPlot;
  std::optional<PlotDescription> studyPlot;
  // Every replicate of the next bootstrap or study as a CSV row.
  std::int32_t printReplicates = 0;
  // The seed of the next runs ("Random Seed…"); none: the clock's.
  std::optional<std::int32_t> fixedSeed;
  // What the "Simulation Results" window shows, for saving it.
  std::optional<ShownRun> shownRun;

  // Count data.
  std::string dataFileName;
  std::vector<std::int32_t> counts;  // f(1..m)
  std::int32_t numCountClasses = 0;
  std::int32_t dataAvailable = 0;

  // Calculation settings.
  double exactness = static_cast<double>(defaults::exactness);
  StopCriterion stopCriterion = defaults::stopCriterion;
  std::int32_t maxComponents = defaults::maxComponents;

  // Fitted mixture: the last fit of the program's count table by the
  // calculation. Runs of the simulation, bootstrap and Poisson-Gamma
  // commands work on copies and leave it, and the count table, as they
  // found them. After a calculation of a table to which no mixture can be
  // fitted (mixtureProblem) there is none: numComponents is 1, lambda,
  // weight and posterior are empty, maxGradient and bestBic are 0, and the
  // result tables do not exist.
  std::int32_t numComponents = 1;
  std::vector<double> lambda;
  std::vector<double> weight;
  Matrix<double> posterior;  // m x k
  double maxGradient = 0.0;
  double bestBic = 0.0;
  bool mixtureExists() const { return !lambda.empty(); }
  // No fitted mixture, as at the start of the program.
  void clearFittedMixture();

  // Results of the last recorded calculation.
  std::optional<ResultTables> results;
  // The calculation the results window shows; none before the first.
  std::optional<CalculationRecord> lastCalculation;

  // Simulation and bootstrap settings.
  std::int32_t populationSize = defaults::populationSize;
  std::int32_t numReplications = defaults::replications;
  std::int32_t numBootReplications = defaults::bootReplications;
  std::int32_t evaluatePerBootstrap = defaults::evaluatePerBootstrap;
  std::int32_t numSimCounts = defaults::numCounts;
  std::int32_t printInterim = defaults::printInterim;
  std::int32_t printSamples = defaults::printSamples;
  std::int32_t simFromDataset = defaults::simFromDataset;
  std::int32_t simMixtureSize = static_cast<std::int32_t>(defaults::simLambda.size());
  std::vector<double> simLambda{defaults::simLambda.begin(), defaults::simLambda.end()};
  std::vector<double> simWeight{defaults::simWeight.begin(), defaults::simWeight.end()};
  double pgAlpha = defaults::pgAlpha;
  double pgKappa = defaults::pgKappa;
  std::int32_t numEstimators = 7;
  std::int32_t editedComponent = 0;

  // -1 while no computation runs; otherwise the handle of the running worker.
  // One guard for the calculation, simulation, bootstrap and Poisson-Gamma
  // commands.
  std::atomic<std::int32_t> calcThread{-1};

  // Sets every default, in the order the program starts with.
  void setDefaults();

  // Back to the state of a process that has just started: no data, no
  // mixture, no results, every default (for tests that share the process).
  void resetAll();
};

GlobalVar& globalVar();

}  // namespace tallyfold
