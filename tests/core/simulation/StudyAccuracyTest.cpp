#include "simulation/StudyAccuracy.h"

#include <gtest/gtest.h>

#include <cmath>

#include "numeric/RandomStream.h"

namespace tallyfold {
namespace {

StudySettings smallStudy(bool evaluate) {
  StudySettings s;
  s.search = SearchSettings{static_cast<double>(1.0e-7f), StopCriterion::max, 2};
  s.populationSize = 400;
  s.replications = 5;
  s.bootReplications = 6;
  s.evaluate = evaluate;
  return s;
}

TEST(StudyAccuracy, CountsTheReplicateRowsOfASmallStudy) {
  const StudySettings s = smallStudy(true);
  RandomStream stream(4711);
  const StudyResult result = runSimulationStudy(s, stream, {});
  ASSERT_TRUE(result.evalIntervals);
  ASSERT_EQ(result.evalIntervals->size(), 5u);
  const auto accuracy = studyAccuracy(result, s.populationSize);
  for (int j = 1; j <= studyEstimators; ++j) {
    const EstimatorAccuracy& a = accuracy[static_cast<std::size_t>(j - 1)];
    int covered = 0;
    int evaluated = 0;
    int used = 0;
    double sum = 0.0;
    double squares = 0.0;
    for (int r = 1; r <= 5; ++r) {
      const PercentileInterval& interval = (*result.evalIntervals)[static_cast<std::size_t>(r - 1)][j - 1];
      EXPECT_EQ(interval.level, 0.95);
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
      // The NPMLE interval holds the evaluation's median (rounded to a whole number).
      if (j == 1 && interval.lower) {
        const Estimate median = (*result.evalMedian)[static_cast<std::size_t>(r - 1)];
        EXPECT_LE(*interval.lower, *median + 0.5);
        EXPECT_GE(*interval.upper, *median - 0.5);
      }
    }
    EXPECT_EQ(a.covered, covered) << j;
    EXPECT_EQ(a.evaluated, evaluated) << j;
    if (evaluated > 0) {
      EXPECT_DOUBLE_EQ(*a.coverage, static_cast<double>(covered) / evaluated);
    }
    EXPECT_EQ(a.used, used) << j;
    EXPECT_EQ(a.missing, 5 - used) << j;
    if (used > 0) {
      EXPECT_NEAR(*a.bias, sum / used - 400.0, 1e-9) << j;
      EXPECT_NEAR(*a.rmse, std::sqrt(squares / used), 1e-9) << j;
    }
  }
  EXPECT_EQ(accuracy[0].evaluated, 5) << "every replicate of this study is bootstrapped";
}

TEST(StudyAccuracy, WithoutTheEvaluationNothingIsCovered) {
  RandomStream stream(4711);
  const StudyResult result = runSimulationStudy(smallStudy(false), stream, {});
  EXPECT_FALSE(result.evalIntervals);
  const EstimatorAccuracy npmle = studyAccuracy(result, 400)[0];
  EXPECT_EQ(npmle.evaluated, 0);
  EXPECT_FALSE(npmle.coverage);
  EXPECT_EQ(npmle.used, 5);
  EXPECT_TRUE(npmle.rmse);
}

}  // namespace
}  // namespace tallyfold
