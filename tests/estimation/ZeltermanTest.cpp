#include "estimation/Zelterman.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

namespace tallyfold {
namespace {

using Table = std::vector<std::int32_t>;

TEST(Zelterman, VariantsAndChaoOnSmallTables) {
  // n = 17; rates 1, 16/15, 16/17 and 16/17 (f4 = f5 = 0 beyond the table).
  const Table counts{10, 5, 2};
  EXPECT_EQ(zelterman1(counts), 10);
  EXPECT_EQ(zelterman2(counts), 9);
  EXPECT_EQ(zelterman3(counts), 11);
  EXPECT_EQ(zelterman4(counts), 11);
  EXPECT_EQ(chao(counts), 10);
  // A zero count inside the table is 0.5: rate 0.1, n = 12.
  EXPECT_EQ(zelterman1(Table{10, 0, 2}), 114);
  EXPECT_EQ(chao(Table{10, 0, 2}), 100);
  // ... but a class beyond the table is 0.0: rates 11.5/15 and 10/15.
  EXPECT_EQ(zelterman2(Table{10, 5, 0}), 13);
  EXPECT_EQ(zelterman2(Table{10, 5}), 16);
  // The fourth variant reaches f5: rate 37/26, n = 30.
  EXPECT_EQ(zelterman4(Table{20, 3, 1, 2, 4}), 10);
}

TEST(Zelterman, ThirdAndFourthRatesWeighTheFourthClass) {
  // N0 = n e^-lam / (1 - e^-lam) with lam = (2 f2 + 3 f3 + 4 f4) / (f1 + f2 + f3)
  // and, for the fourth variant, 5 f5 and f4 added above and below.
  const auto unseen = [](double n, double numerator, double denominator) {
    const double lam = numerator / denominator;
    return static_cast<std::int32_t>(std::lround(n * std::exp(-lam) / (1.0 - std::exp(-lam))));
  };
  const Table wide{4000, 1000, 300, 200, 100, 50};  // n = 5650
  EXPECT_EQ(zelterman3(wide), unseen(5650, 2 * 1000 + 3 * 300 + 4 * 200, 4000 + 1000 + 300));
  EXPECT_EQ(zelterman4(wide), unseen(5650, 2 * 1000 + 3 * 300 + 4 * 200 + 5 * 100, 4000 + 1000 + 300 + 200));
  // A zero count in class 4 is 0.5.
  const Table gap{40000, 10000, 3000, 0, 70};  // n = 53070
  EXPECT_EQ(zelterman3(gap), unseen(53070, 2 * 10000 + 3 * 3000 + 4 * 0.5, 40000 + 10000 + 3000));
  EXPECT_EQ(zelterman4(gap), unseen(53070, 2 * 10000 + 3 * 3000 + 4 * 0.5 + 5 * 70, 40000 + 10000 + 3000 + 0.5));
}

TEST(Zelterman, NoEstimateWhereNoFiniteValueExists) {
  // One class: every rate is 0 and Chao divides by f2 = 0; then tables that
  // cannot be estimated at all. Each says why.
  for (const Table& counts : {Table{25}, Table{}, Table{0, 0, 0}, Table{10, -5, 2}}) {
    EXPECT_EQ(zelterman1(counts), std::nullopt);
    EXPECT_EQ(zelterman2(counts), std::nullopt);
    EXPECT_EQ(zelterman3(counts), std::nullopt);
    EXPECT_EQ(zelterman4(counts), std::nullopt);
    EXPECT_EQ(chao(counts), std::nullopt);
    EXPECT_TRUE(zeltermanProblem(counts).has_value());
    EXPECT_TRUE(chaoProblem(counts).has_value());
  }
  EXPECT_EQ(chaoProblem(Table{25}), "f2 = 0 (one count class only): f1*f1/(2*f2) divides by zero");
  EXPECT_EQ(zeltermanProblem(Table{0, 0}), "The count data hold no observed units: every count is zero.");
  EXPECT_EQ(zeltermanProblem(Table{25, 0}), std::nullopt);
  // Values beyond 32 bits are values: 2^62 exactly for Chao, n / lambda with
  // lambda = 2^-31 for the first rate.
  EXPECT_EQ(chao(Table{2147483647, 0}), 4611686018427387904.0);
  const auto wide = zelterman1(Table{2147483647, 0});
  ASSERT_TRUE(wide.has_value());
  EXPECT_NEAR(*wide, 4.611686e18, 1.0e-6 * 4.611686e18);
  EXPECT_EQ(narrowEstimate(wide), std::nullopt);
  // n beyond 32 bits with an estimate that fits.
  const auto big = zelterman1(Table{2000000000, 2000000000});
  ASSERT_TRUE(big.has_value());
  EXPECT_NEAR(*big, 4.0e9 / (std::exp(2.0) - 1.0), 1.0);
}

}  // namespace
}  // namespace tallyfold
