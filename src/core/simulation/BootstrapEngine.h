#pragma once
// The bootstrap of a count table and the per-replicate bootstrap
// evaluation, as engines: they take the observed counts, the search
// settings, the random stream and a log sink, and return their tables. They
// touch no shared state and no window; the commands (Boot, Simu) open the
// windows, write the files and the summary, and update the shared state.
//
// A bootstrap sample is a multinomial draw of the observed number of units
// over the m count classes with probabilities proportional to the observed
// frequencies (drawFromFrequencies). On each sample seven estimators run:
// the NPMLE of the zero-truncated Poisson mixture, the negative-binomial
// estimate, Zelterman 1-4 and Chao.
//
// Both engines take a stop request. It is looked at before anything is
// drawn, between replicates (samples) and inside each NPMLE search; once
// seen the engine returns at once a result with stopped = true, whose
// other fields mean nothing: a caller shows none of them. A stopped
// bootstrap has logged whole replicates only.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <vector>

#include "estimation/EMtrun_alg.h"
#include "numeric/PercentileInterval.h"
#include "settings/Defaults.h"
#include "simulation/EstimateTables.h"
#include "simulation/ReplicatePool.h"
#include "simulation/ReplicateRows.h"
#include "simulation/getSample.h"

namespace tallyfold {

class RandomStream;

// The seven estimates of one count table, rows in table order.
struct ReplicateEstimates {
  std::int32_t components = 0;  // of the NPMLE fit; 0 when the table cannot be fitted
  std::array<Estimate, studyEstimators> unobserved{};
  std::array<Estimate, studyEstimators> estimates{};
};

// Z1, Z2, Z3, Z4, Chao: their N0 for a count table.
std::array<Estimate, poissonGammaEstimators> closedFormN0(std::span<const std::int32_t> counts);

// Every estimator on one table (the bootstrap's rows 1-7). With a stop
// request seen (stop.stop_requested()) the estimates mean nothing.
ReplicateEstimates estimateReplicate(std::span<const std::int32_t> counts, const SearchSettings& settings,
                                     std::stop_token stop = {});

struct BootstrapResult {
  bool stopped = false;  // true: stopped before the end, the rest means nothing
  SampleTable samples;  // R x m
  EstimateTables tables;  // 7 x R
  std::vector<std::int32_t> components;  // R
};

// Called once the samples are drawn, before the first replicate is
// estimated (the command writes the sample files there).
using SamplesDrawn = std::function<void(const SampleTable&)>;

// R bootstrap replicates of the observed table. Logs, per replicate,
// "********  rep r    *********", "m= k  n0= N0  N= N" and 21 underscores,
// written together once the replicate is done. replications >= 1.
// The samples are drawn first, all R of them; the replicates' fits then
// run on `threads` threads (replicateThreads: 0 is every core), and the
// log, the callbacks and the tables are the same for any number of them.
// Every callback runs on the calling thread.
// With a block, every sample is still drawn (the stream gives what it gives
// the whole run) but only the block's replicates are fitted, logged and
// handed to replicateDone; the tables' other columns keep no estimate.
BootstrapResult bootstrapReplicates(std::span<const std::int32_t> observed, const SearchSettings& settings,
                                    std::int32_t replications, RandomStream& stream, const LogSink& log,
                                    const SamplesDrawn& samplesDrawn = {}, std::stop_token stop = {},
                                    std::int32_t threads = defaults::threads,
                                    const ReplicateSink& replicateDone = {}, ReplicateBlock block = allReplicates);

// The closing log line "E(m)= …  : E(N0)= …  : E(N)= …": the means of the
// components and of the NPMLE row over the replicates, in integer
// arithmetic (truncated toward zero), each over the replicates that have a
// value.
std::string expectationLine(std::span<const std::int32_t> components, const EstimateTables& tables);

// Per estimator (rows in table order), the percentile interval of its
// population-size estimates over the bootstrap samples.
using EstimatorIntervals = std::array<PercentileInterval, studyEstimators>;

struct EvaluationResult {
  bool stopped = false;  // true: stopped before the end, the rest means nothing
  // Median of the bootstrap population-size estimates, to the nearest
  // integer; none when no bootstrap sample could be fitted.
  Estimate median;
  // The seven estimators' bootstrap percentile intervals (Efron &
  // Tibshirani 1993, ch. 13) at the level asked for; the NPMLE row is over
  // the very estimates the median is taken of.
  EstimatorIntervals intervals{};
  // The last bootstrap sample and its fit (a caller that keeps the
  // evaluation's state in view uses them).
  std::vector<std::int32_t> lastSample;
  SearchResult lastFit;
};

// The per-replicate bootstrap evaluation of a simulation: B bootstrap
// samples of `counts`, the seven estimates of each (estimateReplicate), the
// median of their NPMLE population sizes and each estimator's percentile
// interval at `level` (in (0, 1)). Logs "evaluate Bootstrap" after drawing.
// bootReplications >= 1.
EvaluationResult evaluateBootstrap(std::span<const std::int32_t> counts, const SearchSettings& settings,
                                   std::int32_t bootReplications, RandomStream& stream, const LogSink& log,
                                   double level = defaults::intervalLevel, std::stop_token stop = {});

// The evaluation's fits over bootstrap samples already drawn (B x m, as
// drawFromFrequencies(counts, B, ...) gives them): evaluateBootstrap without
// the draw and the log line. It uses no random stream, so the evaluations
// of several replicates can run side by side.
EvaluationResult evaluateSamples(const SampleTable& samples, const SearchSettings& settings,
                                 double level = defaults::intervalLevel, std::stop_token stop = {});

}  // namespace tallyfold
