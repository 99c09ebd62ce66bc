#pragma once
// The simulation study and the Poisson-Gamma simulation as engines: they
// take their settings, the random stream, a log sink and a progress
// callback, and return their tables. They touch no shared state and no
// window; the commands (Simu, SimPoisonnGamma) open the windows, write the
// files, update the shared state and draw the summary, and tallyfold-cli
// prints the same tables.
//
// Study: R samples of N units, drawn either from a loaded count table
// (nonparametric: the unseen class gets N - n units' weight) or from a
// Poisson mixture (parametric), over the counts 0 .. K. The zero class is
// dropped, and on the observed counts f(1..K) run the seven estimators of
// the bootstrap (estimateReplicate: the NPMLE of the zero-truncated Poisson
// mixture, the negative binomial, Zelterman 1-4 and Chao), optionally
// followed by a bootstrap evaluation of the replicate.
//
// Poisson-Gamma: R samples of N units from the negative binomial with
// probability alpha and shape kappa, and the closed-form estimators only.
//
// Both engines take a stop request. It is looked at before anything is
// drawn, between replicates and, in the study, inside each NPMLE search and
// bootstrap evaluation; once seen the engine returns at once a result with
// stopped = true, whose other fields mean nothing: a caller shows none of
// them. A stopped run has logged whole replicates only and writes no
// further line.
#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "estimation/EMtrun_alg.h"
#include "settings/Defaults.h"
#include "simulation/BootstrapEngine.h"
#include "simulation/EstimateTables.h"
#include "simulation/ReplicatePool.h"
#include "simulation/getSample.h"

namespace tallyfold {

class RandomStream;

// The largest Number of Counts K a run takes: the K + 1 classes stay below
// 2^23, where the multinomial draw's single-precision check of the total
// (K + 1 times the float epsilon) still means something and every count is
// exact in single precision.
inline constexpr std::int32_t largestNumCounts = (1 << 23) - 2;

// How far the parametric study's mixture weights may sum from 1.
inline constexpr double weightSumTolerance = 1.0e-6;

// Told after each replicate: replicate r of R is done.
using ProgressSink = std::function<void(int replicate, int replications)>;

// The status bar text of a running simulation or bootstrap.
std::string progressText(int replicate, int replications);

struct StudySettings {
  SearchSettings search{0.0, defaults::stopCriterion, defaults::maxComponents};
  std::int32_t populationSize = defaults::populationSize;      // N
  std::int32_t replications = defaults::replications;          // R
  std::int32_t numCounts = defaults::numCounts;                // K, the largest count kept
  bool evaluate = defaults::evaluatePerBootstrap;              // bootstrap evaluation per replicate
  std::int32_t bootReplications = defaults::bootReplications;  // B
  double level = defaults::intervalLevel;                      // of the evaluation's percentile intervals
  bool fromDataset = defaults::simFromDataset;
  std::vector<std::int32_t> observed;  // the loaded count table (nonparametric)
  // The mixture (parametric); NaN: a component never set.
  std::vector<double> lambda{defaults::simLambda.begin(), defaults::simLambda.end()};
  std::vector<double> weight{defaults::simWeight.begin(), defaults::simWeight.end()};
  // Threads that fit the replicates (replicateThreads: 0 is every core); the
  // results, the log and the callbacks are the same for any number.
  std::int32_t threads = defaults::threads;
};

// Why the study cannot run with these settings, as the message the user is
// shown ("Error occur by …!"), or none. Everything the sampler or the
// random stream would refuse is caught here, before anything is drawn, and
// so is a K beyond largestNumCounts, mixture weights that do not sum to 1
// within weightSumTolerance, an evaluation level outside (0, 1), and a run whose tables would not fit in the
// machine's memory (the message says how much it needs).
std::optional<std::string> studySettingsProblem(const StudySettings& settings);

struct StudyResult {
  bool stopped = false;                             // true: stopped before the end, the rest means nothing
  SampleTable samples;                              // R x (K + 1), column 1 the unseen units
  EstimateTables tables;                            // 7 x R
  std::vector<std::int32_t> components;             // R; 0 for a replicate that could not be fitted
  std::optional<std::vector<Estimate>> evalMedian;  // R, when evaluated
  // R, when evaluated: each estimator's bootstrap percentile interval of the
  // replicate; a replicate without an evaluation has intervals of no values
  // (used = 0, no bounds).
  std::optional<std::vector<EstimatorIntervals>> evalIntervals;
  // The count table and fit a run leaves behind: the last replicate's
  // observed counts and fit, or with the evaluation its last bootstrap
  // sample and that sample's fit.
  std::vector<std::int32_t> lastCounts;
  SearchResult lastFit;
};

// The study. Settings that studySettingsProblem refuses end in a terminal
// error of the sampler. Logs, in order: "Start Simulation", "set Sample
// Data", ("Parameteric"), "sk+1= K+1", "print out Sample Data", per
// replicate the rep line, ("evaluate Bootstrap", "eval Median N= …"),
// "m= …  n0= …  N= …" and 21 underscores (a replicate's lines written
// together once it is done); then the E(m) line and 62 underscores.
// samplesDrawn runs after the "print out Sample Data" line. The samples
// are drawn first; the evaluation's bootstrap samples are drawn in
// replicate order, a few replicates ahead of the fits, which run on
// settings.threads threads. Every callback runs on the calling thread.
// With a block, the samples and the evaluation's bootstrap samples of the
// replicates before it are drawn as in the whole run (and those of the
// earlier replicates dropped at once), but only the block's replicates are
// fitted, logged, handed on and told to progress (as replicate r of R); the
// other columns of the tables keep no estimate, and lastCounts and lastFit
// are those of replicate R only when the block holds it.
StudyResult runSimulationStudy(const StudySettings& settings, RandomStream& stream, const LogSink& log,
                               const ProgressSink& progress = {}, const SamplesDrawn& samplesDrawn = {},
                               std::stop_token stop = {}, const ReplicateSink& replicateDone = {},
                               ReplicateBlock block = allReplicates);

struct PoissonGammaSettings {
  double alpha = defaults::pgAlpha;
  double kappa = defaults::pgKappa;
  std::int32_t populationSize = defaults::populationSize;
  std::int32_t replications = defaults::replications;
  std::int32_t numCounts = defaults::numCounts;
  std::int32_t threads = defaults::threads;  // as the study's
};

// As studySettingsProblem; K must lie in 2 .. largestNumCounts.
std::optional<std::string> poissonGammaSettingsProblem(const PoissonGammaSettings& settings);

struct PoissonGammaResult {
  bool stopped = false;   // true: stopped before the end, the rest means nothing
  SampleTable samples;    // R x (K + 1)
  EstimateTables tables;  // 5 x R: Z1..Z4, Chao
  std::vector<std::int32_t> lastCounts;
};

// The Poisson-Gamma simulation. Logs "Start Simulation", the "spi=" lines
// and "test1", "sk+1= K+1", "print out Sample Data", per replicate the rep
// line, " Z1 n0= …  N= …" and 21 underscores; then "E(m)= 0 …" and 62
// underscores.
PoissonGammaResult runPoissonGammaSimulation(const PoissonGammaSettings& settings, RandomStream& stream,
                                             const LogSink& log, const ProgressSink& progress = {},
                                             const SamplesDrawn& samplesDrawn = {}, std::stop_token stop = {});

}  // namespace tallyfold
