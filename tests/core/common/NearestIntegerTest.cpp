#include "common/NearestInteger.h"

#include <gtest/gtest.h>

#include <limits>

namespace tallyfold {
namespace {

TEST(NearestInteger, HalvesGoAwayFromZero) {
  EXPECT_EQ(nearestInt(0.5), 1);
  EXPECT_EQ(nearestInt(-0.5), -1);
  EXPECT_EQ(nearestInt(2.5), 3);
  EXPECT_EQ(nearestInt(-2.5), -3);
  EXPECT_EQ(nearestInt(2.4999), 2);
  EXPECT_EQ(nearestInt(-0.49), 0);
  EXPECT_EQ(nearestWhole(10.5), 11.0);
}

TEST(NearestInteger, RefusesWhatDoesNotFitInsteadOfOverflowing) {
  EXPECT_EQ(nearestInt(2147483647.0), 2147483647);
  EXPECT_EQ(nearestInt(2147483647.4), 2147483647);
  EXPECT_FALSE(nearestInt(2147483647.5).has_value());
  EXPECT_EQ(nearestInt(-2147483648.0), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(nearestInt(-2147483648.4), std::numeric_limits<std::int32_t>::min());
  EXPECT_FALSE(nearestInt(-2147483648.5).has_value());
  EXPECT_FALSE(nearestInt(std::numeric_limits<double>::quiet_NaN()).has_value());
  EXPECT_FALSE(nearestInt(std::numeric_limits<double>::infinity()).has_value());
  EXPECT_FALSE(nearestInt(-1e300).has_value());
  EXPECT_FALSE(truncateInt(3e9).has_value());
  EXPECT_EQ(truncateInt(-7.9), -7);
}

}  // namespace
}  // namespace tallyfold
