#include "common/FieldLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/SinglePrecision.h"

namespace tallyfold {
namespace {

TEST(FormatI, RightJustifiesAndOverflowsToAsterisks) {
  EXPECT_EQ(formatI(2, 5), "    2");
  EXPECT_EQ(formatI(-7, 5), "   -7");
  EXPECT_EQ(formatI(99999, 5), "99999");
  EXPECT_EQ(formatI(100000, 5), "*****");
  EXPECT_EQ(formatI(-9999, 5), "-9999");
  EXPECT_EQ(formatI(-10000, 5), "*****");
  EXPECT_EQ(formatI(123, 10), "       123");
  EXPECT_EQ(formatI(3, 2), " 3");
}

TEST(FormatF, DefaultExactnessInTheDialogLayout) {
  EXPECT_EQ(formatF(static_cast<double>(single::exactness), 13, 11), "0.00000010000");
  EXPECT_EQ(formatF(0.5, 4, 2), "0.50");
  EXPECT_EQ(formatF(0.5, 3, 2), ".50");     // leading zero dropped only when too narrow
  EXPECT_EQ(formatF(-0.5, 4, 2), "-.50");
  EXPECT_EQ(formatF(-0.5, 3, 2), "***");
  EXPECT_EQ(formatF(9999.5, 14, 4), "     9999.5000");
  EXPECT_EQ(formatF(-939.39, 10, 1), "    -939.4");
  EXPECT_EQ(formatF(123456789012.0, 10, 1), "**********");
}

TEST(FormatF, RoundsTheBinaryValueCorrectly) {
  // 0.125 is exact: round half to even on the exact binary value.
  EXPECT_EQ(formatF(0.125, 5, 2), " 0.12");
  // 2.675 is 2.67499999... in binary.
  EXPECT_EQ(formatF(2.675, 5, 2), " 2.67");
}

TEST(FormatF, NonFiniteValues) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(formatF(nan, 14, 1), "           NaN");
  EXPECT_EQ(formatF(inf, 10, 1), "  Infinity");
  EXPECT_EQ(formatF(-inf, 10, 1), " -Infinity");
  EXPECT_EQ(formatF(-inf, 8, 1), "********");
  EXPECT_EQ(formatF(nan, 2, 0), "**");
}

TEST(ReadBnI, IgnoresBlanksAndRefusesNonDigits) {
  EXPECT_EQ(readBnI("    2", 5), 2);
  EXPECT_EQ(readBnI(" 1 2 ", 5), 12);
  EXPECT_EQ(readBnI("     ", 5), 0);
  EXPECT_EQ(readBnI("-42"), -42);
  EXPECT_EQ(readBnI("12345678", 5), 12345);
  EXPECT_FALSE(readBnI("1.5").has_value());
  EXPECT_FALSE(readBnI("abc").has_value());
  EXPECT_FALSE(readBnI("-").has_value());
  EXPECT_EQ(readBnI("2147483647"), 2147483647);
  EXPECT_EQ(readBnI("-2147483648"), std::numeric_limits<std::int32_t>::min());
  EXPECT_FALSE(readBnI("2147483648").has_value());
  EXPECT_FALSE(readBnI("99999999999999999999999").has_value());
}

TEST(SinglePrecision, ConstantsWidenToTheirFloatValues) {
  EXPECT_EQ(static_cast<double>(single::gradientBound), 1.0000100135803223);
  EXPECT_EQ(static_cast<double>(single::exactness), 1.0000000116860974E-7);
  EXPECT_EQ(static_cast<double>(single::meanStepFactor), 0.004999999888241291);
  EXPECT_EQ(static_cast<double>(single::gridStart), 9.999999974752427E-07);
  EXPECT_EQ(static_cast<double>(single::zeroCandidate), 9.99999993922529E-09);
}

}  // namespace
}  // namespace tallyfold

namespace tallyfold {
namespace {

TEST(FormatEstimate, MissingEstimatesShowOneRepresentation) {
  EXPECT_EQ(formatEstimate(std::int64_t{30}, 10), "        30");
  EXPECT_EQ(formatEstimate(std::nullopt, 10), "       n/a");
  EXPECT_EQ(formatEstimate(std::nullopt, 2), "**");
}

}  // namespace
}  // namespace tallyfold
