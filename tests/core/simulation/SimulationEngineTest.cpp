#include "simulation/SimulationEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stop_token>
#include <string>
#include <vector>

#include "data/CountTable.h"
#include "estimation/Zelterman.h"
#include "support/CapturedErrorOutput.h"
#include "numeric/ErrorReporting.h"
#include "numeric/RandomStream.h"
#include "simulation/RunMemory.h"

namespace tallyfold {
namespace {

using Table = std::vector<std::int32_t>;
const Table tenClasses{120, 60, 30, 20, 15, 10, 8, 6, 4, 2};  // n = 275
const SearchSettings defaultSearch{static_cast<double>(1.0e-7f), StopCriterion::max, 2};

StudySettings parametric(int replications, bool evaluate) {
  StudySettings s;
  s.search = defaultSearch;
  s.replications = replications;
  s.evaluate = evaluate;
  return s;
}

struct Log {
  std::vector<std::string> lines;
  LogSink sink() {
    return [this](const std::string& line) { lines.push_back(line); };
  }
  int count(const std::string& prefix) const {
    return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                          [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
  }
};

std::int64_t rowSum(const SampleTable& s, int r) {
  std::int64_t sum = 0;
  for (int x = 1; x <= s.cols(); ++x) sum += s(r, x);
  return sum;
}

TEST(SimulationStudy, ParametricSamplesHoldNUnitsAndTheNpmleIsUnbiased) {
  // lambda = (2, 4), w = (0.5, 0.5), N = 5000: every replicate holds 5000
  // units, and the mean NPMLE lies within a few standard errors of 5000.
  RandomStream stream(20240611);
  const int r = 40;
  const StudyResult result = runSimulationStudy(parametric(r, false), stream, {});
  ASSERT_EQ(result.samples.rows(), r);
  ASSERT_EQ(result.samples.cols(), 16);
  ASSERT_EQ(result.tables.estimators(), 7);
  ASSERT_EQ(result.tables.replications(), r);
  EXPECT_FALSE(result.evalMedian);

  double sum = 0.0;
  double squares = 0.0;
  double negBinSum = 0.0;
  for (int rep = 1; rep <= r; ++rep) {
    EXPECT_EQ(rowSum(result.samples, rep), 5000);
    ASSERT_TRUE(result.tables.estimates(1, rep));
    const double nall = *result.tables.estimates(1, rep);
    sum += nall;
    squares += nall * nall;
    // Every row is the bootstrap's for the same table, the negative
    // binomial included.
    const Table counts = sampleRow(result.samples, rep, 2, 16);
    const ReplicateEstimates own = estimateReplicate(counts, defaultSearch);
    for (int j = 1; j <= 7; ++j) {
      EXPECT_EQ(result.tables.unobserved(j, rep), own.unobserved[static_cast<std::size_t>(j - 1)]) << j;
      EXPECT_EQ(result.tables.estimates(j, rep), own.estimates[static_cast<std::size_t>(j - 1)]) << j;
    }
    ASSERT_TRUE(result.tables.estimates(2, rep));
    negBinSum += *result.tables.estimates(2, rep);
    // The closed-form rows are the observed units plus their N0.
    const std::int64_t n = observedUnits(counts);
    EXPECT_EQ(result.tables.unobserved(3, rep), zelterman1(counts));
    EXPECT_EQ(result.tables.estimates(7, rep), plusObserved(chao(counts), n));
    EXPECT_EQ(*result.tables.estimates(1, rep) - *result.tables.unobserved(1, rep), n);
    EXPECT_GE(result.components[static_cast<std::size_t>(rep - 1)], 1);
  }
  const double mean = sum / r;
  const double sd = std::sqrt((squares - r * mean * mean) / (r - 1));
  EXPECT_NEAR(mean, 5000.0, 4.0 * sd / std::sqrt(r));
  EXPECT_NEAR(negBinSum / r, 5000.0, 250.0);
  // Without the evaluation the table left behind is the last sample.
  EXPECT_EQ(result.lastCounts, sampleRow(result.samples, r, 2, 16));
}

TEST(SimulationStudy, LogFramesEveryReplicateAndTheProgressCountsThem) {
  RandomStream stream(99);
  Log log;
  std::vector<std::pair<int, int>> progress;
  StudySettings s = parametric(3, true);
  s.bootReplications = 4;
  const StudyResult result =
      runSimulationStudy(s, stream, log.sink(), [&](int r, int total) { progress.emplace_back(r, total); });
  const std::vector<std::string> head(log.lines.begin(), log.lines.begin() + 6);
  EXPECT_EQ(head, (std::vector<std::string>{" Start Simulation", " set Sample Data", " Parameteric", " sk+1= 16",
                                            " print out Sample Data", " ********  rep  1    *********"}));
  EXPECT_EQ(log.count(" evaluate Bootstrap"), 3);
  EXPECT_EQ(log.count(" eval Median N= "), 3);
  EXPECT_EQ(log.count(" m= "), 3);
  EXPECT_EQ(log.count(" " + std::string(21, '_')), 4);  // three replicates and the closing line
  EXPECT_EQ(log.lines[log.lines.size() - 2].rfind(" E(m)= ", 0), 0u);
  EXPECT_EQ(log.lines.back(), " " + std::string(62, '_'));
  EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{1, 3}, {2, 3}, {3, 3}}));

  ASSERT_TRUE(result.evalMedian);
  ASSERT_EQ(result.evalMedian->size(), 3u);
  for (const Estimate& median : *result.evalMedian) ASSERT_TRUE(median);
  // The eval line of replicate 3 shows its median; the table left behind is
  // a bootstrap sample of the last replicate: same classes, same units.
  EXPECT_NE(std::find(log.lines.begin(), log.lines.end(),
                      " eval Median N= " + std::to_string(*result.evalMedian->back())),
            log.lines.end());
  ASSERT_EQ(result.lastCounts.size(), 15u);
  EXPECT_EQ(observedUnits(result.lastCounts), observedUnits(sampleRow(result.samples, 3, 2, 16)));
  EXPECT_TRUE(result.lastFit.estimable);
}

TEST(SimulationStudy, NonparametricSamplesComeFromTheDataSet) {
  RandomStream stream(5);
  StudySettings s = parametric(6, false);
  s.fromDataset = true;
  s.observed = tenClasses;

  // N = n: the unseen class has no units behind it and gets only the tiny
  // probability of an empty class.
  s.populationSize = 275;
  s.numCounts = 10;
  ASSERT_FALSE(studySettingsProblem(s));
  StudyResult result = runSimulationStudy(s, stream, {});
  int unseen = 0;
  for (int r = 1; r <= 6; ++r) {
    EXPECT_EQ(rowSum(result.samples, r), 275);
    unseen += result.samples(r, 1);
  }
  EXPECT_LE(unseen, 1);

  // K beyond the data: the extra classes are empty, the replicates still
  // hold N units; K below it: the dropped classes' units are not drawn.
  s.populationSize = 400;
  s.numCounts = 14;
  result = runSimulationStudy(s, stream, {});
  for (int r = 1; r <= 6; ++r) EXPECT_EQ(rowSum(result.samples, r), 400);
  s.numCounts = 5;
  result = runSimulationStudy(s, stream, {});
  for (int r = 1; r <= 6; ++r) EXPECT_EQ(rowSum(result.samples, r), 400 - (10 + 8 + 6 + 4 + 2));
}

TEST(SimulationStudy, ReplicatesWithoutUnitsHaveNoEstimateAndNoEvaluation) {
  // Three units with a tiny mean: most replicates see nobody. Neither the
  // fit nor the bootstrap evaluation may end the run.
  RandomStream stream(31);
  StudySettings s = parametric(8, true);
  s.populationSize = 3;
  s.numCounts = 3;
  s.lambda = {0.05};
  s.weight = {1.0};
  s.bootReplications = 3;
  ASSERT_FALSE(studySettingsProblem(s));
  Log log;
  const StudyResult result = runSimulationStudy(s, stream, log.sink());
  int empty = 0;
  for (int r = 1; r <= 8; ++r) {
    if (observedUnits(sampleRow(result.samples, r, 2, 4)) != 0) continue;
    ++empty;
    EXPECT_EQ(result.components[static_cast<std::size_t>(r - 1)], 0);
    EXPECT_FALSE(result.tables.estimates(1, r));
    EXPECT_FALSE((*result.evalMedian)[static_cast<std::size_t>(r - 1)]);
  }
  EXPECT_GE(empty, 4);
  EXPECT_EQ(log.count(" eval Median N= n/a"), empty);
  EXPECT_EQ(log.count(" m= 0  n0= n/a  N= n/a"), empty);
}

TEST(SimulationSettings, EverySettingTheSamplerWouldRefuseIsRefusedFirst) {
  const auto problem = [](auto change) {
    StudySettings s = parametric(10, true);
    change(s);
    return studySettingsProblem(s).value_or("");
  };
  EXPECT_EQ(problem([](StudySettings&) {}), "");
  EXPECT_EQ(problem([](StudySettings& s) { s.replications = 0; }), "Error occur by Number of Replications!");
  EXPECT_EQ(problem([](StudySettings& s) { s.numCounts = 0; }), "Error occur by Number of Counts!");
  // One count class has no bootstrap, but without the evaluation it runs.
  EXPECT_EQ(problem([](StudySettings& s) { s.numCounts = 1; }), "Error occur by Number of Counts!");
  EXPECT_EQ(problem([](StudySettings& s) { s.numCounts = 1, s.evaluate = false; }), "");
  EXPECT_EQ(problem([](StudySettings& s) { s.bootReplications = 0; }),
            "Error occur by Number of Bootstrap Replications!");
  EXPECT_EQ(problem([](StudySettings& s) { s.bootReplications = 0, s.evaluate = false; }), "");
  EXPECT_EQ(problem([](StudySettings& s) { s.search.exactness = 0.0; }), "Error occur by Exactness of computation!");
  EXPECT_EQ(problem([](StudySettings& s) { s.populationSize = 0; }), "Error occur by Population Size!");
  EXPECT_EQ(problem([](StudySettings& s) { s.lambda[1] = 0.0; }), "Error occur by Lambda!");
  EXPECT_EQ(problem([](StudySettings& s) { s.lambda[0] = -2.0; }), "Error occur by Lambda!");
  EXPECT_EQ(problem([](StudySettings& s) { s.lambda[0] = 1.0e-50; }), "Error occur by Lambda!");  // 0 in single
  EXPECT_EQ(problem([](StudySettings& s) { s.weight[0] = 0.0; }), "Error occur by Weights!");
  EXPECT_EQ(problem([](StudySettings& s) { s.weight[1] = -0.5; }), "Error occur by Weights!");
  EXPECT_EQ(problem([](StudySettings& s) { s.weight[1] = std::numeric_limits<double>::quiet_NaN(); }),
            "Error occur by Set Component 2!");
  EXPECT_EQ(problem([](StudySettings& s) { s.lambda = {2.0}, s.weight = {1.0}, s.numCounts = 60; }),
            "Error occur by Number of Counts: the probability of count 41 is too small!");

  // Nonparametric: a population below the observed units.
  EXPECT_EQ(problem([](StudySettings& s) { s.fromDataset = true, s.observed = tenClasses, s.populationSize = 274; }),
            "Error occur by Population Size!");
  EXPECT_EQ(problem([](StudySettings& s) { s.fromDataset = true, s.observed = tenClasses, s.populationSize = 275; }),
            "");
  EXPECT_EQ(problem([](StudySettings& s) { s.fromDataset = true, s.observed = Table{0, 0}; }),
            countTableProblem(Table{0, 0}).value());
}

TEST(SimulationSettings, WhatPassesTheCheckIsDrawnWithoutATerminalError) {
  // The check and the sampler agree over a range of tails: a mixture the
  // check accepts is drawn, one it refuses would have ended in RNMTN.
  int refused = 0;
  int accepted = 0;
  for (const double lambda : {0.3, 2.0, 9.0, 40.0}) {
    for (int k = 1; k <= 90; k += 7) {
      StudySettings s = parametric(2, false);
      s.lambda = {lambda, lambda + 1.0};
      s.numCounts = k;
      RandomStream stream(7);
      test::CapturedErrorOutput captured;
      bool ended = false;
      try {
        drawFromPoissonMixture(k + 1, s.lambda, s.weight, 2, 100, stream);
      } catch (const TerminalError&) {
        ended = true;
        resetErrorState();
      }
      EXPECT_EQ(studySettingsProblem(s).has_value(), ended) << "lambda " << lambda << " K " << k;
      ++(ended ? refused : accepted);
    }
  }
  EXPECT_GT(refused, 5);
  EXPECT_GT(accepted, 5);
}

TEST(UndrawableCategory, FollowsTheMultinomialChain) {
  EXPECT_EQ(undrawableCategory(std::vector<float>{0.25f, 0.75f}), std::nullopt);
  EXPECT_EQ(undrawableCategory(std::vector<float>{1.0f}), 1);
  EXPECT_EQ(undrawableCategory(std::vector<float>{0.5f, 0.0f, 0.5f}), 2);
  // Within the total's tolerance, but the second class takes the whole
  // remainder: its conditional probability is 1.
  EXPECT_EQ(undrawableCategory(std::vector<float>{0.5f, 0.5f, 0x1p-23f}), 2);
}

TEST(PoissonGammaSimulation, LogsTheClassesAndTheClosedFormRows) {
  RandomStream stream(1234);
  Log log;
  const PoissonGammaSettings settings;  // alpha 0.5, kappa 0.75, N 5000, R 10, K 15
  ASSERT_FALSE(poissonGammaSettingsProblem(settings));
  const PoissonGammaResult result = runPoissonGammaSimulation(settings, stream, log.sink());
  EXPECT_EQ(log.lines.front(), " Start Simulation");
  EXPECT_EQ(log.count(" spi= "), 16);
  EXPECT_EQ(log.count(" test1"), 1);
  EXPECT_EQ(log.count(" sk+1= 16"), 1);
  EXPECT_EQ(log.count("  Z1 n0= "), 10);
  EXPECT_EQ(log.count(" E(m)= 0  : E(N0)= "), 1);
  EXPECT_EQ(log.lines.back(), " " + std::string(62, '_'));

  ASSERT_EQ(result.tables.estimators(), 5);
  ASSERT_EQ(result.tables.replications(), 10);
  std::int64_t sumN0 = 0;
  std::int64_t sumN = 0;
  for (int r = 1; r <= 10; ++r) {
    EXPECT_EQ(rowSum(result.samples, r), 5000);
    const Table counts = sampleRow(result.samples, r, 2, 16);
    EXPECT_EQ(result.tables.unobserved(1, r), zelterman1(counts));
    EXPECT_EQ(result.tables.unobserved(5, r), chao(counts));
    for (int j = 1; j <= 5; ++j) {
      EXPECT_EQ(result.tables.estimates(j, r), plusObserved(result.tables.unobserved(j, r), observedUnits(counts)));
    }
    sumN0 += *result.tables.unobserved(1, r);
    sumN += *result.tables.estimates(1, r);
  }
  // Integer means over the replicates, truncated toward zero.
  EXPECT_EQ(log.lines[log.lines.size() - 2],
            " E(m)= 0  : E(N0)= " + std::to_string(sumN0 / 10) + "  : E(N)= " + std::to_string(sumN / 10));
  EXPECT_EQ(result.lastCounts, sampleRow(result.samples, 10, 2, 16));
}

TEST(PoissonGammaSettingsCheck, RefusesWhatTheSamplerCannotDraw) {
  const auto problem = [](auto change) {
    PoissonGammaSettings s;
    change(s);
    return poissonGammaSettingsProblem(s).value_or("");
  };
  EXPECT_EQ(problem([](PoissonGammaSettings& s) { s.alpha = 0.0; }), "Error occur by Alpha!");
  EXPECT_EQ(problem([](PoissonGammaSettings& s) { s.alpha = 1.0; }), "Error occur by Alpha!");
  EXPECT_EQ(problem([](PoissonGammaSettings& s) { s.alpha = 1.5; }), "Error occur by Alpha!");
  EXPECT_EQ(problem([](PoissonGammaSettings& s) { s.kappa = 0.0; }), "Error occur by Kappa!");
  EXPECT_EQ(problem([](PoissonGammaSettings& s) { s.kappa = -1.0; }), "Error occur by Kappa!");
  EXPECT_EQ(problem([](PoissonGammaSettings& s) { s.populationSize = 0; }), "Error occur by Population Size!");
  EXPECT_EQ(problem([](PoissonGammaSettings& s) { s.replications = 0; }), "Error occur by Number of Replications!");
  EXPECT_EQ(problem([](PoissonGammaSettings& s) { s.numCounts = 0; }), "Error occur by Number of Counts!");
  // Zelterman and Chao need the classes 1 and 2.
  EXPECT_EQ(problem([](PoissonGammaSettings& s) { s.numCounts = 1; }),
            "Error occur by Number of Counts: 1 is outside 2 .. 8388606!");
  EXPECT_EQ(problem([](PoissonGammaSettings& s) { s.numCounts = 2; }), "");
}

TEST(SimulationSettings, CountsWeightsAndMemoryHaveTheirBounds) {
  StudySettings s = parametric(10, false);
  PoissonGammaSettings pg;
  // K + 1 overflowed at the largest int, and 2147483646 ran for ever.
  for (const std::int32_t k : {std::numeric_limits<std::int32_t>::max(), 2147483646, largestNumCounts + 1}) {
    s.numCounts = pg.numCounts = k;
    const std::string value = "Error occur by Number of Counts: " + std::to_string(k);
    EXPECT_EQ(studySettingsProblem(s), value + " is outside 1 .. 8388606!");
    EXPECT_EQ(poissonGammaSettingsProblem(pg), value + " is outside 2 .. 8388606!");
  }
  s = parametric(10, false);
  s.weight = {1.0, 2.0};
  EXPECT_EQ(studySettingsProblem(s), "Error occur by Weights: they sum to 3, not to 1 within 1e-6!");
  s.weight = {0.3, 0.7000005};
  EXPECT_FALSE(studySettingsProblem(s));

  // A billion replicates: 64 GB for their samples alone.
  const std::int32_t billion = 1000000000;
  ASSERT_GE(studyMemoryNeed(15, billion, false, 0), 64'000'000'000ULL);
  EXPECT_EQ(studyMemoryNeed(largestNumCounts, std::numeric_limits<std::int64_t>::max(), true, 1),
            std::numeric_limits<std::uint64_t>::max());  // saturates, never wraps
  if (physicalMemory() == 0 || physicalMemory() >= studyMemoryNeed(15, billion, true, 30)) {
    GTEST_SKIP() << "this machine's memory would take a billion replicates";
  }
  s = parametric(billion, true);
  EXPECT_EQ(studySettingsProblem(s)->rfind("Error occur by Number of Replications: 1000000000 would need ", 0), 0u);
  s = parametric(10, true);
  s.bootReplications = billion;
  EXPECT_EQ(studySettingsProblem(s)->rfind("Error occur by Number of Bootstrap Replications: 1000000000 ", 0), 0u);
  pg = PoissonGammaSettings{};
  pg.replications = billion;
  EXPECT_EQ(poissonGammaSettingsProblem(pg)->rfind("Error occur by Number of Replications: 1000000000 ", 0), 0u);
}

TEST(SimulationStop, AnUnrequestedTokenChangesNothingAndAnEarlyRequestDrawsNothing) {
  // 5000 replicates of 16 classes: with a token the draw runs in chunks.
  PoissonGammaSettings settings;
  settings.replications = 5000;
  RandomStream plainStream(4321);
  RandomStream chunkedStream(4321);
  const PoissonGammaResult plain = runPoissonGammaSimulation(settings, plainStream, {});
  std::stop_source never;
  const PoissonGammaResult chunked = runPoissonGammaSimulation(settings, chunkedStream, {}, {}, {}, never.get_token());
  EXPECT_FALSE(chunked.stopped);
  EXPECT_EQ(chunked.samples, plain.samples);
  EXPECT_EQ(chunked.tables.estimateRow(1), plain.tables.estimateRow(1));
  EXPECT_EQ(chunkedStream.seed(), plainStream.seed());

  std::stop_source early;
  early.request_stop();
  RandomStream stream(4321);
  Log log;
  EXPECT_TRUE(runSimulationStudy(parametric(3, true), stream, log.sink(), {}, {}, early.get_token()).stopped);
  EXPECT_TRUE(runPoissonGammaSimulation(settings, stream, log.sink(), {}, {}, early.get_token()).stopped);
  EXPECT_TRUE(log.lines.empty());
  EXPECT_EQ(stream.seed(), 4321);
}

TEST(SimulationSettings, TheEvaluationLevelLiesStrictlyBetweenZeroAndOne) {
  StudySettings s = parametric(10, true);
  s.level = 1.0;
  EXPECT_EQ(studySettingsProblem(s), "Error occur by Confidence Level!");
  s.evaluate = false;
  EXPECT_FALSE(studySettingsProblem(s)) << "without the evaluation there is no interval";
}

}  // namespace
}  // namespace tallyfold
