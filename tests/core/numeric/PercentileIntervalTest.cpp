#include "numeric/PercentileInterval.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <vector>

namespace tallyfold {
namespace {

using Values = std::vector<std::optional<std::int32_t>>;

TEST(PercentileInterval, InterpolatesBetweenTheSortedPresentValues) {
  // Present, sorted: 1 2 4 7 10 (n = 5, h = 4 p + 1 in 1-based order).
  const Values values{7, std::nullopt, 1, 4, std::nullopt, 10, 2};
  // 50 %: p = 0.25 and 0.75 fall on x(2) and x(4).
  const PercentileInterval half = percentileInterval(values, 0.5);
  EXPECT_EQ(half.lower, 2.0);
  EXPECT_EQ(half.upper, 7.0);
  EXPECT_EQ(half.used, 5);
  EXPECT_EQ(half.missing, 2);
  EXPECT_EQ(half.level, 0.5);
  // 90 %: h = 1.2 gives 1 + 0.2 (2 - 1), h = 4.8 gives 7 + 0.8 (10 - 7).
  const PercentileInterval ninety = percentileInterval(values, 0.9);
  EXPECT_DOUBLE_EQ(*ninety.lower, 1.2);
  EXPECT_DOUBLE_EQ(*ninety.upper, 9.4);
  // One value is both bounds.
  const PercentileInterval one = percentileInterval(Values{std::nullopt, 42}, 0.95);
  EXPECT_EQ(one.lower, 42.0);
  EXPECT_EQ(one.upper, 42.0);
}

TEST(PercentileInterval, NoBoundsWithoutValuesOrOutsideTheUnitInterval) {
  const PercentileInterval none = percentileInterval(Values{std::nullopt, std::nullopt}, 0.95);
  EXPECT_FALSE(none.lower);
  EXPECT_FALSE(none.upper);
  EXPECT_EQ(none.used, 0);
  EXPECT_EQ(none.missing, 2);
  for (const double level : {0.0, 1.0, -0.5, std::numeric_limits<double>::quiet_NaN()}) {
    const PercentileInterval bad = percentileInterval(Values{1, 2, 3}, level);
    EXPECT_FALSE(bad.lower) << level;
    EXPECT_FALSE(bad.upper) << level;
    EXPECT_EQ(bad.used, 3) << level;
  }
}

}  // namespace
}  // namespace tallyfold
