#include "simulation/BootstrapEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "common/NearestInteger.h"
#include "data/CountTable.h"
#include "estimation/EMtrun.h"
#include "estimation/Gamma.h"
#include "estimation/Zelterman.h"
#include "numeric/RandomStream.h"
#include "numeric/SummaryStatistics.h"

namespace tallyfold {
namespace {

using Table = std::vector<std::int32_t>;
const Table tenClasses{120, 60, 30, 20, 15, 10, 8, 6, 4, 2};
const SearchSettings defaults{static_cast<double>(1.0e-7f), StopCriterion::max, 2};

TEST(EstimateReplicate, RowsFollowTheTableOrder) {
  const ReplicateEstimates row = estimateReplicate(tenClasses, defaults);
  const SearchResult fit = componentSearch(tenClasses, defaults, false, {});
  EXPECT_EQ(row.components, fit.numComponents);
  EXPECT_EQ(row.unobserved[0], nearestInt(estimateN0(tenClasses, fit.lambda, fit.weight)));
  EXPECT_EQ(row.estimates[0], nearestInt(estimateNall(tenClasses, fit.lambda, fit.weight)));

  double f0 = *chao(tenClasses);
  double total = 0.0;
  ASSERT_TRUE(negBinEstimate(tenClasses, defaults.exactness, f0, total));
  EXPECT_EQ(row.unobserved[1], nearestInt(f0));
  EXPECT_EQ(row.estimates[1], nearestInt(total));

  const Estimate closed[] = {zelterman1(tenClasses), zelterman2(tenClasses), zelterman3(tenClasses),
                             zelterman4(tenClasses), chao(tenClasses)};
  for (std::size_t i = 0; i < 5; ++i) {
    ASSERT_TRUE(closed[i]);
    EXPECT_EQ(row.unobserved[i + 2], closed[i]);
    EXPECT_EQ(row.estimates[i + 2], *closed[i] + 275);
  }
}

TEST(EstimateReplicate, EstimatorsWithoutAnEstimateLeaveTheirCellsEmpty) {
  // Underdispersed: the negative binomial has no fit.
  const ReplicateEstimates small = estimateReplicate(Table{10, 5, 2}, defaults);
  EXPECT_FALSE(small.unobserved[1]);
  EXPECT_FALSE(small.estimates[1]);
  EXPECT_TRUE(small.estimates[0]);
  // A single class: no Zelterman rate and no Chao value.
  const ReplicateEstimates single = estimateReplicate(Table{9}, defaults);
  for (std::size_t j = 1; j < 7; ++j) EXPECT_FALSE(single.estimates[j]) << j;
}

TEST(BootstrapReplicates, SamplesKeepTheTableShapeAndTheLogShowsEachReplicate) {
  RandomStream stream(2024);
  std::vector<std::string> log;
  int drawnCalls = 0;
  const BootstrapResult result = bootstrapReplicates(
      tenClasses, defaults, 3, stream, [&](const std::string& line) { log.push_back(line); },
      [&](const SampleTable& samples) {
        ++drawnCalls;
        EXPECT_TRUE(log.empty()) << "the samples are handed over before the first replicate";
        EXPECT_EQ(samples.rows(), 3);
      });
  EXPECT_EQ(drawnCalls, 1);
  ASSERT_EQ(result.samples.rows(), 3);
  ASSERT_EQ(result.samples.cols(), 10);
  ASSERT_EQ(result.tables.estimators(), 7);
  ASSERT_EQ(result.tables.replications(), 3);
  ASSERT_EQ(log.size(), 9u);
  for (int r = 1; r <= 3; ++r) {
    std::int64_t n = 0;
    for (int x = 1; x <= 10; ++x) n += result.samples(r, x);
    EXPECT_EQ(n, 275);
    // Zelterman and Chao rows: N = n + N0 on every sample.
    for (int j = 3; j <= 7; ++j) EXPECT_EQ(*result.tables.estimates(j, r) - *result.tables.unobserved(j, r), 275);
    const auto i = static_cast<std::size_t>(3 * (r - 1));
    EXPECT_EQ(log[i], " ********  rep  " + std::to_string(r) + "    *********");
    EXPECT_EQ(log[i + 1], " m= " + std::to_string(result.components[static_cast<std::size_t>(r - 1)]) +
                              "  n0= " + std::to_string(*result.tables.unobserved(1, r)) +
                              "  N= " + std::to_string(*result.tables.estimates(1, r)));
    EXPECT_EQ(log[i + 2], " " + std::string(21, '_'));
  }
}

TEST(ExpectationLine, IntegerMeansOverTheReplicatesWithAValue) {
  EstimateTables t(7, 3);
  t.unobserved(1, 1) = 10;
  t.unobserved(1, 2) = 11;
  t.unobserved(1, 3) = 13;
  t.estimates(1, 1) = 100;
  t.estimates(1, 2) = std::nullopt;
  t.estimates(1, 3) = 103;
  EXPECT_EQ(expectationLine(std::vector<std::int32_t>{1, 2, 2}, t), " E(m)= 1  : E(N0)= 11  : E(N)= 101");
  EstimateTables empty(7, 1);
  EXPECT_EQ(expectationLine(std::vector<std::int32_t>{0}, empty), " E(m)= 0  : E(N0)= n/a  : E(N)= n/a");
}

TEST(EvaluateBootstrap, MedianOfTheBootstrapSizes) {
  // B = 1: the one estimate; B = 4: the mean of the two middle ones.
  for (const int b : {1, 4}) {
    RandomStream stream(555);
    std::vector<std::string> log;
    const EvaluationResult result =
        evaluateBootstrap(tenClasses, defaults, b, stream, [&](const std::string& line) { log.push_back(line); });
    EXPECT_EQ(log, std::vector<std::string>{" evaluate Bootstrap"});

    RandomStream replay(555);
    const SampleTable samples = drawFromFrequencies(tenClasses, b, replay);
    std::vector<float> sizes;
    for (int i = 1; i <= b; ++i) {
      const Table sample = sampleRow(samples, i, 1, 10);
      const SearchResult fit = componentSearch(sample, defaults, false, {});
      sizes.push_back(static_cast<float>(*nearestInt(estimateNall(sample, fit.lambda, fit.weight))));
    }
    EXPECT_EQ(result.median, nearestInt(median(b, sizes.data()))) << b;
    EXPECT_EQ(result.lastSample, sampleRow(samples, b, 1, 10));
    if (b == 1) {
      EXPECT_EQ(result.median, static_cast<std::int32_t>(sizes[0]));
    }
  }
}

TEST(EvaluateBootstrap, IntervalsAreTheOrderStatisticsOfEachEstimatorOverTheSamples) {
  // B = 5 at 50 %: the type-7 quantiles at 0.25 and 0.75 are the 2nd and
  // 4th smallest of the five estimates.
  RandomStream stream(555);
  const EvaluationResult result = evaluateBootstrap(tenClasses, defaults, 5, stream, {}, 0.5);
  RandomStream replay(555);
  const SampleTable samples = drawFromFrequencies(tenClasses, 5, replay);
  EXPECT_EQ(stream.seed(), replay.seed()) << "the seven estimators draw nothing";
  std::array<std::vector<std::int32_t>, 7> sizes;
  for (int b = 1; b <= 5; ++b) {
    const ReplicateEstimates row = estimateReplicate(sampleRow(samples, b, 1, 10), defaults);
    for (std::size_t j = 0; j < 7; ++j) sizes[j].push_back(row.estimates[j].value());
  }
  for (std::size_t j = 0; j < 7; ++j) {
    std::sort(sizes[j].begin(), sizes[j].end());
    const PercentileInterval& interval = result.intervals[j];
    EXPECT_EQ(interval.used, 5) << j;
    EXPECT_EQ(interval.lower, sizes[j][1]) << j;
    EXPECT_EQ(interval.upper, sizes[j][3]) << j;
  }
  EXPECT_EQ(result.median, sizes[0][2]) << "the median is over the NPMLE row's values";
}

TEST(BootstrapReplicates, AStopInsideAReplicateLeavesWholeReplicatesInTheLog) {
  // NPMLE on the ten-class samples: a replicate takes some 30 ms, so a
  // request 10 ms after the third one is logged lands inside the fourth.
  using Clock = std::chrono::steady_clock;
  std::mutex mutex;
  std::condition_variable logged;
  std::vector<std::string> log;
  const LogSink sink = [&](const std::string& line) {
    const std::lock_guard lock(mutex);
    log.push_back(line);
    logged.notify_all();
  };
  RandomStream stream(2024);
  BootstrapResult result;
  Clock::time_point done;
  std::jthread worker([&](std::stop_token stop) {
    result = bootstrapReplicates(tenClasses, SearchSettings{defaults.exactness, StopCriterion::npmle, 2}, 1000, stream, sink, {}, stop);
    done = Clock::now();
  });
  {
    std::unique_lock lock(mutex);
    logged.wait(lock, [&] { return log.size() >= 9; });
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  const Clock::time_point requested = Clock::now();
  worker.request_stop();
  worker.join();
  EXPECT_TRUE(result.stopped);
  EXPECT_LT(std::chrono::duration<double>(done - requested).count(), 2.0);
  ASSERT_EQ(log.size() % 3, 0u);
  ASSERT_LT(log.size(), 3000u);
  for (std::size_t i = 0; i < log.size(); i += 3) {
    EXPECT_EQ(log[i], " ********  rep  " + std::to_string(i / 3 + 1) + "    *********");
    EXPECT_EQ(log[i + 1].rfind(" m= ", 0), 0u) << log[i + 1];
    EXPECT_EQ(log[i + 2], " " + std::string(21, '_'));
  }
}

}  // namespace
}  // namespace tallyfold
