#include "estimation/Zelterman.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

namespace tallyfold {
namespace {

using Table = std::vector<std::int32_t>;

TEST(Zelterman, VariantsOnASmallTable) {
  // n = 17; rates 1, 16/15, 16/17 and 16/17 (f4 = f5 = 0 beyond the table).
  const Table counts{10, 5, 2};
  EXPECT_EQ(zelterman1(counts), 10);
  EXPECT_EQ(zelterman2(counts), 9);
  EXPECT_EQ(zelterman3(counts), 11);
  EXPECT_EQ(zelterman4(counts), 11);
  EXPECT_EQ(chao(counts), 10);
}

TEST(Zelterman, ZeroCountInsideTheTableCountsAsOneHalf) {
  // f2 = 0.5: rate 0.1 and n = 12.
  const Table counts{10, 0, 2};
  EXPECT_EQ(zelterman1(counts), 114);
  EXPECT_EQ(chao(counts), 100);
}

TEST(Zelterman, ZeroClassDiffersFromAMissingClass) {
  // (10, 5, 0): f3 = 0.5, rate 11.5/15; (10, 5): f3 = 0.0, rate 10/15.
  EXPECT_EQ(zelterman2(Table{10, 5, 0}), 13);
  EXPECT_EQ(zelterman2(Table{10, 5}), 16);
  EXPECT_NE(zelterman4(Table{10, 5, 0, 0, 0}), zelterman4(Table{10, 5}));
  // Chao uses f1 and f2 only.
  EXPECT_EQ(chao(Table{10, 5, 0}), chao(Table{10, 5}));
}

TEST(Zelterman, FourthVariantUsesTheFifthClass) {
  // rate = (2*3 + 3*1 + 4*2 + 5*4) / (20 + 3 + 1 + 2) = 37/26, n = 30.
  const Table counts{20, 3, 1, 2, 4};
  EXPECT_EQ(zelterman4(counts), 10);
  EXPECT_EQ(zelterman3(counts), 29);  // rate 17/24
}

TEST(Zelterman, NoEstimateWithoutASecondClass) {
  // One class: every rate is 0 and Chao divides by f2 = 0.
  const Table counts{25};
  EXPECT_EQ(zelterman1(counts), std::nullopt);
  EXPECT_EQ(zelterman2(counts), std::nullopt);
  EXPECT_EQ(zelterman3(counts), std::nullopt);
  EXPECT_EQ(zelterman4(counts), std::nullopt);
  EXPECT_EQ(chao(counts), std::nullopt);
}

TEST(Zelterman, NoEstimateForUnusableTables) {
  for (const Table& counts : {Table{}, Table{0, 0, 0}, Table{10, -5, 2}}) {
    EXPECT_EQ(zelterman1(counts), std::nullopt);
    EXPECT_EQ(zelterman2(counts), std::nullopt);
    EXPECT_EQ(zelterman3(counts), std::nullopt);
    EXPECT_EQ(zelterman4(counts), std::nullopt);
    EXPECT_EQ(chao(counts), std::nullopt);
  }
}

TEST(Zelterman, ResultsBeyond32BitsAreNoEstimate) {
  // f1 = 2^31 - 1 and f2 = 0.5: Chao = f1^2 and Zelterman about n / rate.
  const Table counts{2147483647, 0};
  EXPECT_EQ(chao(counts), std::nullopt);
  EXPECT_EQ(zelterman1(counts), std::nullopt);
  // A large table whose estimate still fits.
  const Table big{2000000000, 2000000000};
  ASSERT_TRUE(zelterman1(big).has_value());
  EXPECT_NEAR(*zelterman1(big), 4.0e9 / (std::exp(2.0) - 1.0), 1.0);
}

}  // namespace
}  // namespace tallyfold
