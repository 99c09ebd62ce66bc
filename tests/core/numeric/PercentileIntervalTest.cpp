#include "numeric/PercentileInterval.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace tallyfold {
namespace {

using Values = std::vector<std::optional<std::int32_t>>;

TEST(PercentileInterval, InterpolatesBetweenTheSortedPresentValues) {
  // Present, sorted: 1 2 4 7 10, so h = 4 p + 1. 50 %: h = 2 and 4; 90 %:
  // h = 1.2 gives 1 + 0.2 (2 - 1) and h = 4.8 gives 7 + 0.8 (10 - 7).
  const Values values{7, std::nullopt, 1, 4, std::nullopt, 10, 2};
  const PercentileInterval half = percentileInterval(values, 0.5);
  EXPECT_EQ(half.lower, 2.0);
  EXPECT_EQ(half.upper, 7.0);
  EXPECT_EQ(half.used, 5);
  EXPECT_EQ(half.missing, 2);
  const PercentileInterval ninety = percentileInterval(values, 0.9);
  EXPECT_DOUBLE_EQ(*ninety.lower, 1.2);
  EXPECT_DOUBLE_EQ(*ninety.upper, 9.4);
  EXPECT_EQ(percentileInterval(Values{std::nullopt, 42}, 0.95).upper, 42.0);
}

TEST(PercentileInterval, NoBoundsWithoutValuesOrOutsideTheUnitInterval) {
  const PercentileInterval none = percentileInterval(Values{std::nullopt, std::nullopt}, 0.95);
  EXPECT_FALSE(none.lower);
  EXPECT_EQ(none.missing, 2);
  for (const double level : {0.0, 1.0, std::numeric_limits<double>::quiet_NaN()}) {
    EXPECT_FALSE(percentileInterval(Values{1, 2, 3}, level).upper) << level;
  }
}

}  // namespace
}  // namespace tallyfold
