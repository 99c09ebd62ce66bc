#include "simulation/BootstrapEngine.h"

#include <algorithm>
#include <string>

#include "common/FieldLayout.h"
#include "common/ListDirected.h"
#include "common/NearestInteger.h"
#include "common/StoppedResult.h"
#include "data/CountTable.h"
#include "estimation/EMtrun.h"
#include "estimation/Gamma.h"
#include "estimation/TableEstimates.h"
#include "estimation/Zelterman.h"
#include "numeric/RandomStream.h"
#include "numeric/SummaryStatistics.h"
#include "simulation/ReplicatePool.h"

namespace tallyfold {

namespace {

// A list-directed item for an estimate: the integer, or the no-estimate
// text in its place.
void appendEstimate(ListRecord& record, const Estimate& value) {
  if (value) {
    record.integer(*value);
  } else {
    record.text(" ").text(noEstimate);
  }
}

// Mean over the values that exist, in integer arithmetic.
Estimate truncatedMean(const std::vector<Estimate>& values) {
  std::int64_t sum = 0;
  std::int64_t count = 0;
  for (const Estimate& v : values) {
    if (!v) continue;
    sum += *v;
    ++count;
  }
  if (count == 0) return std::nullopt;
  return static_cast<std::int32_t>(sum / count);
}

}  // namespace

namespace {

// The closed forms in the tables' row order (Z1..Z4, Chao); the tables hold
// 32 bits: no estimate beyond them.
std::array<Estimate, poissonGammaEstimators> closedFormRows(const TableEstimates& t) {
  return {narrowEstimate(t.zelterman1), narrowEstimate(t.zelterman2), narrowEstimate(t.zelterman3),
          narrowEstimate(t.zelterman4), narrowEstimate(t.chao)};
}

}  // namespace

std::array<Estimate, poissonGammaEstimators> closedFormN0(std::span<const std::int32_t> counts) {
  return closedFormRows(estimateTable(counts, std::nullopt));
}

namespace {

// The seven estimates of a table whose NPMLE search gave `fit` (the rows of
// estimateReplicate; a stopped fit leaves them meaningless).
ReplicateEstimates estimatesWithFit(std::span<const std::int32_t> counts, const SearchSettings& settings,
                                    const SearchResult& fit) {
  ReplicateEstimates row;
  const std::int64_t n = observedUnits(counts);

  if (fit.estimable) {
    row.components = fit.numComponents;
    row.unobserved[0] = nearestInt(estimateN0(counts, fit.lambda, fit.weight));
    row.estimates[0] = nearestInt(estimateNall(counts, fit.lambda, fit.weight));
  }

  // The negative binomial starts from the Chao value; in these 32-bit
  // tables a Chao value beyond 32 bits is no start, so no estimate.
  const TableEstimates table = estimateTable(counts, settings.exactness);
  if (narrowEstimate(table.chao)) {
    row.unobserved[1] = narrowEstimate(table.negativeBinomial->n0);
    row.estimates[1] = narrowEstimate(table.negativeBinomial->n);
  }
  const std::array<Estimate, poissonGammaEstimators> closedForm = closedFormRows(table);

  for (std::size_t i = 0; i < closedForm.size(); ++i) {
    row.unobserved[i + 2] = closedForm[i];
    row.estimates[i + 2] = plusObserved(closedForm[i], n);
  }
  return row;
}

}  // namespace

ReplicateEstimates estimateReplicate(std::span<const std::int32_t> counts, const SearchSettings& settings,
                                     std::stop_token stop) {
  return estimatesWithFit(counts, settings, componentSearch(counts, settings, false, {}, stop));
}

BootstrapResult bootstrapReplicates(std::span<const std::int32_t> observed, const SearchSettings& settings,
                                    std::int32_t replications, RandomStream& stream, const LogSink& log,
                                    const SamplesDrawn& samplesDrawn, std::stop_token stop, std::int32_t threads,
                                    const ReplicateSink& replicateDone, ReplicateBlock block) {
  const auto write = [&log](const std::string& line) {
    if (log) log(line);
  };
  if (stop.stop_requested()) return stoppedResult<BootstrapResult>();
  BootstrapResult result;
  result.samples = drawFromFrequencies(observed, replications, stream, stop);
  if (stop.stop_requested()) return stoppedResult<BootstrapResult>();
  const int m = static_cast<int>(observed.size());
  result.tables = EstimateTables(studyEstimators, replications);
  result.components.assign(static_cast<std::size_t>(replications), 0);
  if (samplesDrawn) samplesDrawn(result.samples);

  // Every sample is drawn: the fits need nothing from the stream. A fit
  // writes its replicate's own column of the tables.
  ReplicateSteps steps;
  steps.fit = [&](int r, std::stop_token fitStop) {
    const ReplicateEstimates row = estimateReplicate(sampleRow(result.samples, r, 1, m), settings, fitStop);
    result.components[static_cast<std::size_t>(r - 1)] = row.components;
    for (int j = 1; j <= studyEstimators; ++j) {
      result.tables.unobserved(j, r) = row.unobserved[static_cast<std::size_t>(j - 1)];
      result.tables.estimates(j, r) = row.estimates[static_cast<std::size_t>(j - 1)];
    }
  };
  steps.finish = [&](int r) {
    // The replicate is done: its lines go out together.
    write(listDirected("********  rep ", r, "    *********"));
    ListRecord line;
    line.text("m=").integer(result.components[static_cast<std::size_t>(r - 1)]).text("  n0=");
    appendEstimate(line, result.tables.unobserved(1, r));
    line.text("  N=");
    appendEstimate(line, result.tables.estimates(1, r));
    write(line.str());
    write(listDirected(std::string(21, '_')));
    if (replicateDone) replicateDone(replicateRow(result.tables, result.components, r, observedUnits(observed)));
  };
  if (!runReplicateBlock(withinRun(block, replications), replicateThreads(threads), steps, stop)) {
    return stoppedResult<BootstrapResult>();
  }
  return result;
}

std::string expectationLine(std::span<const std::int32_t> components, const EstimateTables& tables) {
  std::vector<Estimate> k(components.begin(), components.end());
  ListRecord line;
  line.text("E(m)=");
  appendEstimate(line, truncatedMean(k));
  line.text("  : E(N0)=");
  appendEstimate(line, tables.estimators() >= 1 ? truncatedMean(tables.unobservedRow(1)) : std::nullopt);
  line.text("  : E(N)=");
  appendEstimate(line, tables.estimators() >= 1 ? truncatedMean(tables.estimateRow(1)) : std::nullopt);
  return line.str();
}

EvaluationResult evaluateBootstrap(std::span<const std::int32_t> counts, const SearchSettings& settings,
                                   std::int32_t bootReplications, RandomStream& stream, const LogSink& log,
                                   double level, std::stop_token stop) {
  if (stop.stop_requested()) return stoppedResult<EvaluationResult>();
  const SampleTable samples = drawFromFrequencies(counts, bootReplications, stream, stop);
  if (stop.stop_requested()) return stoppedResult<EvaluationResult>();
  if (log) log(listDirected("evaluate Bootstrap"));
  return evaluateSamples(samples, settings, level, stop);
}

EvaluationResult evaluateSamples(const SampleTable& samples, const SearchSettings& settings, double level,
                                 std::stop_token stop) {
  const int bootReplications = samples.rows();
  const int m = samples.cols();
  EvaluationResult result;
  std::vector<float> sizes;
  // estimates[j][b - 1]: estimator j's population size on sample b.
  std::array<std::vector<Estimate>, studyEstimators> estimates;
  for (std::vector<Estimate>& column : estimates) column.reserve(static_cast<std::size_t>(bootReplications));
  for (int b = 1; b <= bootReplications; ++b) {
    if (stop.stop_requested()) return stoppedResult<EvaluationResult>();
    result.lastSample = sampleRow(samples, b, 1, m);
    result.lastFit = componentSearch(result.lastSample, settings, false, {}, stop);
    if (result.lastFit.stopped) return stoppedResult<EvaluationResult>();
    // The NPMLE row is nearestInt(estimateNall) of this fit: the median's sizes.
    const ReplicateEstimates row = estimatesWithFit(result.lastSample, settings, result.lastFit);
    for (std::size_t j = 0; j < estimates.size(); ++j) estimates[j].push_back(row.estimates[j]);
    if (const Estimate size = row.estimates[0]) sizes.push_back(static_cast<float>(*size));
  }
  if (!sizes.empty()) result.median = nearestInt(median(static_cast<int>(sizes.size()), sizes.data()));
  for (std::size_t j = 0; j < estimates.size(); ++j) result.intervals[j] = percentileInterval(estimates[j], level);
  return result;
}

}  // namespace tallyfold
