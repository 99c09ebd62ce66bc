#include "simulation/StudyAccuracy.h"

#include <gtest/gtest.h>

#include <cmath>

#include "numeric/RandomStream.h"

namespace tallyfold {
namespace {

TEST(StudyAccuracy, CountsTheReplicateRowsOfASmallStudy) {
  StudySettings s;
  s.search = SearchSettings{static_cast<double>(1.0e-7f), StopCriterion::max, 2};
  s.populationSize = 400;
  s.replications = 5;
  s.bootReplications = 6;
  RandomStream stream(4711);
  const StudyResult result = runSimulationStudy(s, stream, {});
  ASSERT_EQ(result.evalIntervals->size(), 5u);
  const auto accuracy = studyAccuracy(result, 400);
  for (int j = 1; j <= studyEstimators; ++j) {
    int covered = 0, evaluated = 0, used = 0;
    double sum = 0.0, squares = 0.0;
    for (int r = 1; r <= 5; ++r) {
      const PercentileInterval& interval = (*result.evalIntervals)[static_cast<std::size_t>(r - 1)][j - 1];
      EXPECT_EQ(interval.used + interval.missing, 6);
      if (interval.lower) {
        ++evaluated;
        covered += *interval.lower <= 400.0 && 400.0 <= *interval.upper ? 1 : 0;
      }
      if (const Estimate n = result.tables.estimates(j, r)) {
        ++used;
        sum += *n;
        squares += (*n - 400.0) * (*n - 400.0);
      }
      // The NPMLE interval holds the evaluation's median (a rounded value).
      if (j == 1) {
        const Estimate median = (*result.evalMedian)[static_cast<std::size_t>(r - 1)];
        EXPECT_LE(*interval.lower, *median + 0.5);
        EXPECT_GE(*interval.upper, *median - 0.5);
      }
    }
    const EstimatorAccuracy& a = accuracy[static_cast<std::size_t>(j - 1)];
    EXPECT_EQ(a.covered, covered) << j;
    EXPECT_EQ(a.evaluated, evaluated) << j;
    EXPECT_EQ(a.coverage, evaluated > 0 ? std::optional(static_cast<double>(covered) / evaluated) : std::nullopt);
    EXPECT_EQ(a.used, used) << j;
    EXPECT_EQ(a.missing, 5 - used) << j;
    EXPECT_NEAR(a.bias.value_or(NAN), sum / used - 400.0, 1e-9) << j;
    EXPECT_NEAR(a.rmse.value_or(NAN), std::sqrt(squares / used), 1e-9) << j;
  }
  EXPECT_EQ(accuracy[0].evaluated, 5) << "every replicate of this study is bootstrapped";
}

}  // namespace
}  // namespace tallyfold
