#pragma once
// tallyfold-cli simulate and pg-simulate: the simulation study and the
// Poisson-Gamma simulation of the windowed program in batch form — R
// samples of a population of known size N, every estimator on each, and
// the summary over the replicates with each estimator's bias; optionally
// the sample files and the interim file.
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "settings/Defaults.h"

namespace tallyfold::cli {

struct SimulateOptions {
  std::optional<std::string> fromData;  // nonparametric: the count data file
  std::vector<double> lambda{2.0, 4.0};  // parametric mixture
  std::vector<double> weight{0.5, 0.5};
  std::int32_t populationSize = 5000;
  std::int32_t replications = 10;
  std::optional<std::int32_t> counts;  // K; none: 15, or m with fromData
  double exactness = 0.0;              // set to the program's default by the caller
  StopCriterion criterion = StopCriterion::max;
  std::int32_t maxComponents = 2;
  std::int32_t bootReplications = 30;
  bool evaluate = true;
  std::optional<std::int64_t> seed;   // none: the clock seed
  std::optional<std::string> outDir;  // stands for the folder "C:\Temp"
  bool samples = false;
  bool interim = false;
  bool json = false;
};

struct PoissonGammaOptions {
  double alpha = 0.5;
  double kappa = 0.75;
  std::int32_t populationSize = 5000;
  std::int32_t replications = 10;
  std::int32_t counts = 15;
  std::optional<std::int64_t> seed;
  std::optional<std::string> outDir;
  bool samples = false;
  bool interim = false;
  bool json = false;
};

// Write the results to `out` and any missing-folder message to `err`;
// return the exit code. Settings the program refuses throw BadInput with
// its message; a terminal numerical error propagates as TerminalError.
int runSimulateCommand(const SimulateOptions& options, std::ostream& out, std::ostream& err);
int runPoissonGammaCommand(const PoissonGammaOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tallyfold::cli
