#include "simulation/SimulationEngine.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "common/FieldLayout.h"
#include "common/ListDirected.h"
#include "common/StoppedResult.h"
#include "data/CountTable.h"
#include "simulation/ReplicatePool.h"
#include "simulation/RunMemory.h"

namespace tallyfold {

namespace {

std::string errorBy(const std::string& field) { return "Error occur by " + field + "!"; }

// "Error occur by FIELD: VALUE is outside LOW .. HIGH!"
std::string outsideRange(const std::string& field, std::int64_t value, std::int64_t low, std::int64_t high) {
  return "Error occur by " + field + ": " + std::to_string(value) + " is outside " + std::to_string(low) + " .. " +
         std::to_string(high) + "!";
}

// The Number of Counts outside smallest .. largestNumCounts; a value below
// shortBelow keeps the system's short message.
std::optional<std::string> numCountsProblem(std::int32_t k, std::int32_t smallest, std::int32_t shortBelow) {
  if (k < shortBelow) return errorBy("Number of Counts");
  if (k < smallest || k > largestNumCounts) return outsideRange("Number of Counts", k, smallest, largestNumCounts);
  return std::nullopt;
}

// A class the multinomial draw cannot give a probability to (underflow in
// single precision, or a tail that rounding leaves without remainder): the
// Number of Counts reaches further than the model's probabilities do.
std::optional<std::string> drawProblem(std::span<const float> p) {
  const std::optional<int> category = undrawableCategory(p);
  if (!category) return std::nullopt;
  return "Error occur by Number of Counts: the probability of count " + std::to_string(*category - 1) +
         " is too small!";
}

void appendEstimate(ListRecord& record, const Estimate& value) {
  if (value) {
    record.integer(*value);
  } else {
    record.text(" ").text(noEstimate);
  }
}

// A mean as the Poisson probability takes it: positive and finite in
// single precision.
bool usableMean(double lambda) {
  const auto single = static_cast<float>(lambda);
  return std::isfinite(single) && single > 0.0f;
}

// v(1) = N - n, v(x + 1) = f(x) for x = 1..K; classes beyond the data are
// empty.
std::vector<std::int32_t> frequencyVector(const StudySettings& s) {
  const std::int64_t n = observedUnits(s.observed);
  std::vector<std::int32_t> v(static_cast<std::size_t>(s.numCounts) + 1, 0);
  v[0] = static_cast<std::int32_t>(s.populationSize - n);
  for (std::size_t x = 1; x < v.size() && x <= s.observed.size(); ++x) v[x] = s.observed[x - 1];
  return v;
}

// Whether a replicate's table can be bootstrapped: it has units, and every
// class of it can be drawn.
bool evaluable(std::span<const std::int32_t> counts) {
  if (counts.size() < 2 || countTableProblem(counts)) return false;
  return !undrawableCategory(frequencyProbabilities(counts));
}

}  // namespace

std::string progressText(int replicate, int replications) {
  return "replicate " + std::to_string(replicate) + " of " + std::to_string(replications);
}

std::optional<std::string> studySettingsProblem(const StudySettings& s) {
  if (!(s.search.exactness > 0.0) || !std::isfinite(s.search.exactness)) return errorBy("Exactness of computation");
  if (s.replications < 1) return errorBy("Number of Replications");
  // K + 1 categories for the sample; the evaluation bootstraps K classes.
  const std::int32_t smallestCounts = s.evaluate ? 2 : 1;
  if (std::optional<std::string> problem = numCountsProblem(s.numCounts, smallestCounts, smallestCounts)) {
    return problem;
  }
  if (s.evaluate && s.bootReplications < 1) return errorBy("Number of Bootstrap Replications");
  if (s.evaluate && !(s.level > 0.0 && s.level < 1.0)) return errorBy("Confidence Level");
  // The replicates' tables, then the bootstrap samples of the replicates
  // drawn ahead of their fits.
  if (std::optional<std::string> problem =
          memoryProblem(studyMemoryNeed(s.numCounts, s.replications, false, 0), "Number of Replications",
                        s.replications)) {
    return problem;
  }
  if (s.evaluate) {
    if (std::optional<std::string> problem =
            memoryProblem(studyMemoryNeed(s.numCounts, s.replications, true, s.bootReplications,
                                          replicatesInFlight(std::min(replicateThreads(s.threads), s.replications))),
                          "Number of Bootstrap Replications", s.bootReplications)) {
      return problem;
    }
  }

  if (s.fromDataset) {
    if (std::optional<std::string> problem = countTableProblem(s.observed)) return problem;
    if (s.populationSize < observedUnits(s.observed)) return errorBy("Population Size");
    return drawProblem(frequencyProbabilities(frequencyVector(s)));
  }

  if (s.populationSize < 1) return errorBy("Population Size");
  if (s.lambda.empty() || s.lambda.size() != s.weight.size()) return errorBy("Number of Components");
  for (std::size_t j = 0; j < s.lambda.size(); ++j) {
    if (std::isnan(s.lambda[j]) || std::isnan(s.weight[j])) {
      return errorBy("Set Component " + std::to_string(j + 1));
    }
    if (!usableMean(s.lambda[j])) return errorBy("Lambda");
    if (!(s.weight[j] > 0.0) || !std::isfinite(s.weight[j])) return errorBy("Weights");
  }
  double total = 0.0;
  for (const double w : s.weight) total += w;
  if (!(std::fabs(total - 1.0) <= weightSumTolerance)) {
    return "Error occur by Weights: they sum to " + shortestReal(total) + ", not to 1 within 1e-6!";
  }
  const std::int64_t categories = std::int64_t{s.numCounts} + 1;
  return drawProblem(poissonMixtureProbabilities(static_cast<int>(categories), s.lambda, s.weight));
}

StudyResult runSimulationStudy(const StudySettings& s, RandomStream& stream, const LogSink& log,
                               const ProgressSink& progress, const SamplesDrawn& samplesDrawn,
                               std::stop_token stop, const ReplicateSink& replicateDone, ReplicateBlock block) {
  const auto write = [&log](const std::string& line) {
    if (log) log(line);
  };
  if (stop.stop_requested()) return stoppedResult<StudyResult>();
  const int k = s.numCounts;
  const int r = s.replications;
  StudyResult result;

  write(listDirected("Start Simulation"));
  write(listDirected("set Sample Data"));
  if (s.fromDataset) {
    result.samples = drawFromFrequencies(frequencyVector(s), r, stream, stop);
  } else {
    write(listDirected("Parameteric"));
    result.samples = drawFromPoissonMixture(k + 1, s.lambda, s.weight, r, s.populationSize, stream, stop);
  }
  if (stop.stop_requested()) return stoppedResult<StudyResult>();
  write(listDirected("sk+1=", k + 1));

  result.tables = EstimateTables(studyEstimators, r);
  result.components.assign(static_cast<std::size_t>(r), 0);
  if (s.evaluate) {
    result.evalMedian.emplace(static_cast<std::size_t>(r));
    result.evalIntervals.emplace(static_cast<std::size_t>(r));
  }

  write(listDirected("print out Sample Data"));
  if (samplesDrawn) samplesDrawn(result.samples);

  // Per replicate: whether it has an evaluation, and its bootstrap samples
  // from the draw (in replicate order, from the one stream) until its fits
  // have used them. A fit writes its replicate's own cells of the result.
  const std::size_t evaluations = s.evaluate ? static_cast<std::size_t>(r) : 0;
  std::vector<char> evaluated(evaluations, 0);
  std::vector<SampleTable> bootSamples(evaluations);
  // The fit left behind: the evaluation's last, or (none) the replicate's own.
  std::optional<SearchResult> lastFit;
  const auto index = [](int rep) { return static_cast<std::size_t>(rep - 1); };

  ReplicateSteps steps;
  steps.prepare = [&](int rep) {
    const std::vector<std::int32_t> counts = sampleRow(result.samples, rep, 2, k + 1);
    // A replicate without units (or with a class the draw cannot reach)
    // has no bootstrap: it gets no evaluation instead of ending the run.
    if (s.evaluate && evaluable(counts)) {
      evaluated[index(rep)] = 1;
      bootSamples[index(rep)] = drawFromFrequencies(counts, s.bootReplications, stream, stop);
    }
  };
  steps.fit = [&](int rep, std::stop_token fitStop) {
    std::vector<std::int32_t> counts = sampleRow(result.samples, rep, 2, k + 1);
    const ReplicateEstimates row = estimateReplicate(counts, s.search, fitStop);
    result.components[index(rep)] = row.components;
    for (int j = 1; j <= studyEstimators; ++j) {
      result.tables.unobserved(j, rep) = row.unobserved[static_cast<std::size_t>(j - 1)];
      result.tables.estimates(j, rep) = row.estimates[static_cast<std::size_t>(j - 1)];
    }
    std::optional<SearchResult> fit;
    if (s.evaluate) {
      EstimatorIntervals& intervals = (*result.evalIntervals)[index(rep)];
      if (evaluated[index(rep)] != 0) {
        EvaluationResult evaluation = evaluateSamples(std::exchange(bootSamples[index(rep)], SampleTable()),
                                                      s.search, s.level, fitStop);
        (*result.evalMedian)[index(rep)] = evaluation.median;
        intervals = evaluation.intervals;
        counts = std::move(evaluation.lastSample);
        fit = std::move(evaluation.lastFit);
      } else {
        for (PercentileInterval& interval : intervals) interval = percentileInterval({}, s.level);
      }
    }
    if (rep == r) {
      result.lastCounts = std::move(counts);
      lastFit = std::move(fit);
    }
  };
  steps.finish = [&](int rep) {
    // The replicate is done: its lines go out together.
    write(listDirected("********  rep ", rep, "    *********"));
    if (s.evaluate) {
      if (evaluated[index(rep)] != 0) write(listDirected("evaluate Bootstrap"));
      ListRecord line;
      line.text("eval Median N=");
      appendEstimate(line, (*result.evalMedian)[index(rep)]);
      write(line.str());
    }
    ListRecord line;
    line.text("m=").integer(result.components[index(rep)]).text("  n0=");
    appendEstimate(line, result.tables.unobserved(1, rep));
    line.text("  N=");
    appendEstimate(line, result.tables.estimates(1, rep));
    write(line.str());
    write(listDirected(std::string(21, '_')));
    if (replicateDone) {
      ReplicateRow row = replicateRow(result.tables, result.components, rep,
                                      observedUnits(sampleRow(result.samples, rep, 2, k + 1)));
      if (s.evaluate) row.evalMedian = (*result.evalMedian)[index(rep)];
      replicateDone(row);
    }
    if (progress) progress(rep, r);
  };
  block = withinRun(block, r);
  // The replicates before the block draw their evaluations' samples as in
  // the whole run, so that the block's draws are the whole run's.
  for (int rep = 1; rep < block.first && rep <= block.last; ++rep) {
    if (stop.stop_requested()) return stoppedResult<StudyResult>();
    if (s.evaluate && evaluable(sampleRow(result.samples, rep, 2, k + 1))) {
      drawFromFrequencies(sampleRow(result.samples, rep, 2, k + 1), s.bootReplications, stream, stop);
    }
  }
  if (!runReplicateBlock(block, replicateThreads(s.threads), steps, stop)) return stoppedResult<StudyResult>();

  // The search is deterministic: fitting the last replicate again gives the
  // fit estimateReplicate made of it.
  if (block.contains(r)) {
    result.lastFit = lastFit ? std::move(*lastFit) : componentSearch(result.lastCounts, s.search, false, {}, stop);
    if (result.lastFit.stopped) return stoppedResult<StudyResult>();
  }

  write(expectationLine(result.components, result.tables));
  write(listDirected(std::string(62, '_')));
  return result;
}

std::optional<std::string> poissonGammaSettingsProblem(const PoissonGammaSettings& s) {
  const auto alpha = static_cast<float>(s.alpha);
  if (!(alpha > 0.0f && alpha < 1.0f)) return errorBy("Alpha");
  const auto kappa = static_cast<float>(s.kappa);
  if (!(kappa > 0.0f) || !std::isfinite(kappa)) return errorBy("Kappa");
  if (s.populationSize < 1) return errorBy("Population Size");
  if (s.replications < 1) return errorBy("Number of Replications");
  // Zelterman and Chao need the classes 1 and 2.
  if (std::optional<std::string> problem = numCountsProblem(s.numCounts, 2, 1)) return problem;
  if (std::optional<std::string> problem = memoryProblem(poissonGammaMemoryNeed(s.numCounts, s.replications),
                                                         "Number of Replications", s.replications)) {
    return problem;
  }
  const std::int64_t categories = std::int64_t{s.numCounts} + 1;
  return drawProblem(negativeBinomialProbabilities(s.alpha, s.kappa, static_cast<int>(categories), {}));
}

PoissonGammaResult runPoissonGammaSimulation(const PoissonGammaSettings& s, RandomStream& stream, const LogSink& log,
                                             const ProgressSink& progress, const SamplesDrawn& samplesDrawn,
                                             std::stop_token stop) {
  if (stop.stop_requested()) return stoppedResult<PoissonGammaResult>();
  const auto write = [&log](const std::string& line) {
    if (log) log(line);
  };
  const int k = s.numCounts;
  const int r = s.replications;
  PoissonGammaResult result;

  write(listDirected("Start Simulation"));
  result.samples = drawFromNegativeBinomial(s.alpha, s.kappa, k + 1, s.populationSize, r, stream, log, stop);
  if (stop.stop_requested()) return stoppedResult<PoissonGammaResult>();
  write(listDirected("sk+1=", k + 1));
  result.tables = EstimateTables(poissonGammaEstimators, r);
  write(listDirected("print out Sample Data"));
  if (samplesDrawn) samplesDrawn(result.samples);

  // The closed forms take microseconds: on a pool its steps are blocks of
  // 256 replicates, each written into the replicates' own columns, so the
  // hand-over costs little beside them. Serially a step is one replicate.
  const int block = replicateThreads(s.threads) == 1 ? 1 : 256;
  const int blocks = (r + block - 1) / block;
  const auto replicatesOf = [r, block](int b) { return std::pair{(b - 1) * block + 1, std::min(b * block, r)}; };
  const int pool = std::min(replicateThreads(s.threads), blocks);
  ReplicateSteps steps;
  steps.fit = [&](int b, std::stop_token) {
    const auto [first, last] = replicatesOf(b);
    for (int rep = first; rep <= last; ++rep) {
      const std::vector<std::int32_t> counts = sampleRow(result.samples, rep, 2, k + 1);
      const std::int64_t n = observedUnits(counts);
      const auto closedForm = closedFormN0(counts);
      for (std::size_t i = 0; i < closedForm.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        result.tables.unobserved(row, rep) = closedForm[i];
        result.tables.estimates(row, rep) = plusObserved(closedForm[i], n);
      }
    }
  };
  steps.finish = [&](int b) {
    const auto [first, last] = replicatesOf(b);
    for (int rep = first; rep <= last; ++rep) {
      write(listDirected("********  rep ", rep, "    *********"));
      ListRecord line;
      line.text(" Z1 n0=");
      appendEstimate(line, result.tables.unobserved(1, rep));
      line.text("  N=");
      appendEstimate(line, result.tables.estimates(1, rep));
      write(line.str());
      write(listDirected(std::string(21, '_')));
      if (progress) progress(rep, r);
    }
  };
  if (!runReplicates(blocks, pool, steps, stop)) return stoppedResult<PoissonGammaResult>();
  result.lastCounts = sampleRow(result.samples, r, 2, k + 1);

  // No mixture is fitted here: every replicate counts as 0 components.
  write(expectationLine(std::vector<std::int32_t>(static_cast<std::size_t>(r), 0), result.tables));
  write(listDirected(std::string(62, '_')));
  return result;
}

}  // namespace tallyfold
