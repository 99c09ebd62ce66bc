#include "common/ListDirected.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tallyfold {
namespace {

TEST(ListDirected, RecordsStartWithOneBlankAndJoinItems) {
  EXPECT_EQ(listDirected(), " ");
  EXPECT_EQ(listDirected("n0=", 11), " n0= 11");
  EXPECT_EQ(listDirected("sk+1=", 16), " sk+1= 16");
  EXPECT_EQ(listDirected("********  rep ", 3, "    *********"), " ********  rep  3    *********");
  EXPECT_EQ(listDirected("E(m)=", -2, "  : E(N0)=", 7), " E(m)= -2  : E(N0)= 7");
  EXPECT_EQ(listDirected("Start Simulation"), " Start Simulation");
}

TEST(ListDirected, RealsUseTheShortestTextThatReadsBack) {
  EXPECT_EQ(listDirected("spi=", 0.25f), " spi= 0.25");
  const float f = 0.1f;
  EXPECT_EQ(std::stof(shortestReal(f)), f);
  const double d = 0.1 + 0.2;
  EXPECT_EQ(std::stod(shortestReal(d)), d);
  EXPECT_EQ(shortestReal(std::numeric_limits<double>::quiet_NaN()), "NaN");
  EXPECT_EQ(shortestReal(-std::numeric_limits<float>::infinity()), "-Infinity");
}

TEST(ListDirected, ReadsTheFirstFreeFormatItem) {
  EXPECT_EQ(firstItem("  7 3"), "7");
  EXPECT_EQ(firstItem("4,9"), "4");
  EXPECT_EQ(firstItem("   "), "");
  EXPECT_EQ(readListInteger("    2"), 2);
  EXPECT_EQ(readListInteger("-15, 3"), -15);
  EXPECT_FALSE(readListInteger("").has_value());
  EXPECT_FALSE(readListInteger("2.5").has_value());
  EXPECT_FALSE(readListInteger("x").has_value());
  EXPECT_FALSE(readListInteger("3000000000").has_value());
}

TEST(ListDirected, ReadsFiniteRealsOnly) {
  EXPECT_EQ(readListReal("0.00000010000"), 1.0e-7);
  EXPECT_EQ(readListReal("1.0D-7"), 1.0e-7);
  EXPECT_EQ(readListReal(" +2.5 "), 2.5);
  EXPECT_EQ(readListReal("-3"), -3.0);
  EXPECT_EQ(readListReal(".5"), 0.5);
  EXPECT_FALSE(readListReal("").has_value());
  EXPECT_FALSE(readListReal("abc").has_value());
  EXPECT_FALSE(readListReal("nan").has_value());
  EXPECT_FALSE(readListReal("inf").has_value());
  EXPECT_FALSE(readListReal("1e999").has_value());
  EXPECT_FALSE(readListReal("1.0.0").has_value());
}

}  // namespace
}  // namespace tallyfold
