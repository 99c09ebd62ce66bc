#pragma once
// tallyfold-cli simulate and pg-simulate: the simulation study and the
// Poisson-Gamma simulation of the windowed program in batch form — R
// samples of a population of known size N, every estimator on each, and
// the summary over the replicates with each estimator's bias; optionally
// the sample files and the interim file.
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "data/CountData.h"
#include "settings/Defaults.h"
#include "simulation/ShardResult.h"
#include "simulation/SimulationEngine.h"

namespace tallyfold::cli {

struct SimulateOptions {
  std::optional<std::string> fromData;  // nonparametric: the count data file
  CountFormat format = CountFormat::automatic;  // the form fromData is read in
  std::vector<double> lambda{defaults::simLambda.begin(), defaults::simLambda.end()};  // parametric mixture
  std::vector<double> weight{defaults::simWeight.begin(), defaults::simWeight.end()};
  std::int32_t populationSize = defaults::populationSize;
  std::int32_t replications = defaults::replications;
  std::optional<std::int32_t> counts;  // K; none: defaults::numCounts, or m with fromData
  double exactness = 0.0;              // set to the program's default by the caller
  StopCriterion criterion = defaults::stopCriterion;
  std::int32_t maxComponents = defaults::maxComponents;
  std::int32_t bootReplications = defaults::bootReplications;
  bool evaluate = defaults::evaluatePerBootstrap;
  std::optional<std::int64_t> seed;   // none: the clock seed
  std::optional<std::string> outDir;  // stands for the folder "C:\Temp"
  bool samples = false;
  bool interim = false;
  bool json = false;
  std::optional<std::string> replicatesCsv;  // one CSV row per replicate, written as the run goes
  double level = defaults::intervalLevel;  // of the evaluation's intervals
  std::int32_t threads = defaults::threads;  // that fit the replicates; 0: every core
  bool progress = false;  // the progress bar on the error stream
  std::stop_token stop;  // the run's stop request
  // Shard I of P, as the bootstrap's (BootstrapOptions::shard).
  std::optional<ShardId> shard;
};

struct PoissonGammaOptions {
  double alpha = defaults::pgAlpha;
  double kappa = defaults::pgKappa;
  std::int32_t populationSize = defaults::populationSize;
  std::int32_t replications = defaults::replications;
  std::int32_t counts = defaults::numCounts;
  std::optional<std::int64_t> seed;
  std::optional<std::string> outDir;
  bool samples = false;
  bool interim = false;
  bool json = false;
  std::int32_t threads = defaults::threads;  // that compute the replicates; 0: every core
  bool progress = false;  // the progress bar on the error stream
  std::stop_token stop;  // the run's stop request
};

// Write the results to `out` and any missing-folder message to `err`;
// return the exit code. Settings the program refuses throw BadInput with
// its message; a terminal numerical error propagates as TerminalError; a
// run that sees its stop request throws Stopped.
int runSimulateCommand(const SimulateOptions& options, std::ostream& out, std::ostream& err);
int runPoissonGammaCommand(const PoissonGammaOptions& options, std::ostream& out, std::ostream& err);

class RunFiles;

// The outputs of a whole study from its result (its tables, components and
// evaluation): the interim file when asked, the summary file, and the text
// or JSON on `out`. A run in one process and the merge of its shards both
// end here. `s` is the study's settings (studySettingsOf).
int reportStudy(const SimulateOptions& options, const StudySettings& s, std::int32_t seed, const StudyResult& result,
                RunFiles& files, std::ostream& out);

// The study's settings of the options, with the loaded count table of
// --from-data (empty without).
StudySettings studySettingsOf(const SimulateOptions& options, std::vector<std::int32_t> observed);

// The settings a study shard records (those the outputs depend on), and the
// options they stand for.
nlohmann::json studyShardSettings(const SimulateOptions& options, const StudySettings& s);
void readStudyShardSettings(const nlohmann::json& settings, SimulateOptions& options);

}  // namespace tallyfold::cli
