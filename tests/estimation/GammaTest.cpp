#include "estimation/Gamma.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "estimation/Zelterman.h"

namespace tallyfold {
namespace {

using Table = std::vector<std::int32_t>;
const Table tenClasses{120, 60, 30, 20, 15, 10, 8, 6, 4, 2};

TEST(NegBinProb, ZeroClassIsPToTheKappa) {
  for (const float kappa : {0.3f, 2.5f, 34.0f, 40.0f, 80.0f}) {
    const float p = 0.35f;
    EXPECT_DOUBLE_EQ(negBinProb(0, kappa, p), std::pow(static_cast<double>(p), static_cast<double>(kappa))) << kappa;
  }
}

TEST(NegBinProb, MatchesTheNegativeBinomialDensity) {
  // Below 35 for x + kappa every term uses GAMMA; the sums cover nearly all
  // of the mass and the mean kappa (1 - p) / p.
  const float kappa = 2.5f;
  const float p = 0.4f;
  double total = 0;
  double mean = 0;
  for (std::int32_t x = 0; x < 30; ++x) {
    const double px = negBinProb(x, kappa, p);
    const double expected = std::exp(std::lgamma(x + 2.5) - std::lgamma(2.5) - std::lgamma(x + 1.0) +
                                     2.5 * std::log(0.4) + x * std::log(0.6));
    EXPECT_NEAR(px, expected, 1e-5 * expected + 1e-12) << x;
    total += px;
    mean += x * px;
  }
  EXPECT_NEAR(total, 1.0, 1e-5);
  EXPECT_NEAR(mean, 2.5 * 0.6 / 0.4, 1e-3);
}

TEST(LogGamma, GammaBelow35AndAStraightLineAbove) {
  EXPECT_EQ(logGamma(1.0f), 0.0);
  EXPECT_NEAR(logGamma(5.0f), std::log(24.0), 1e-6);
  EXPECT_NEAR(logGamma(0.5f), 0.5 * std::log(M_PI), 1e-6);
  EXPECT_NEAR(logGamma(34.5f), std::lgamma(34.5), 1e-4);
  EXPECT_NEAR(logGamma(35.0f), std::lgamma(35.0), 2e-3);
  EXPECT_NEAR(logGamma(50.0f), 151.02, 0.01);  // ln Gamma(50) is about 144.57
  EXPECT_EQ(logGamma(50.0f) - logGamma(40.0f), static_cast<double>(4.16236f) * 10.0);
}

TEST(ClassMoments, EntriesStandForZeroUpward) {
  const std::vector<float> h{10.0f, 10.0f, 5.0f, 2.0f};  // values 0, 1, 2, 3
  const double mean = classMean(4, h.data());
  EXPECT_DOUBLE_EQ(mean, 26.0 / 27.0);
  EXPECT_DOUBLE_EQ(classVariance(4, h.data(), mean), 48.0 / 27.0 - mean * mean);
}

TEST(NegBinEstimate, OverdispersedTableReachesTheFixedPoint) {
  double f0 = 0;
  double total = 0;
  ASSERT_TRUE(negBinEstimate(tenClasses, 1.0e-7, f0, total));
  EXPECT_GT(f0, 0.0);
  const double n = 275.0;
  EXPECT_NEAR(total, n + f0, 1e-3);
  // f0 = p^kappa (n + f0) with kappa and p the moments of the completed table.
  std::vector<float> h{static_cast<float>(f0)};
  for (const std::int32_t c : tenClasses) h.push_back(static_cast<float>(c));
  double sum = 0;
  double sumX = 0;
  double sumX2 = 0;
  for (std::size_t x = 0; x < h.size(); ++x) {
    sum += h[x];
    sumX += static_cast<double>(x) * h[x];
    sumX2 += static_cast<double>(x * x) * h[x];
  }
  const double mu = sumX / sum;
  const double v = sumX2 / sum - mu * mu;
  ASSERT_GT(v, mu);
  const double kappa = mu * mu / (v - mu);
  EXPECT_NEAR(f0, std::pow(mu / v, kappa) * (n + f0), 1e-3 * f0);
}

TEST(NegBinEstimate, UnderdispersedTableHasNoEstimate) {
  // Completed by Chao (10): mean 26/27 exceeds the variance.
  double f0 = -3.0;
  double total = -3.0;
  EXPECT_FALSE(negBinEstimate(Table{10, 5, 2}, 1.0e-7, f0, total));
  EXPECT_EQ(f0, -3.0);
  EXPECT_EQ(total, -3.0);
}

TEST(NegBinEstimate, CallsAreIndependentOfEachOther) {
  double first = 0;
  double total = 0;
  ASSERT_TRUE(negBinEstimate(tenClasses, 1.0e-7, first, total));
  // A coarse call on other data in between would leave its f0 behind as the
  // reference of the next first comparison, were that carried over.
  double other = 0;
  ASSERT_TRUE(negBinEstimate(Table{50, 10, 5, 1}, 0.5, other, total));
  double second = 0;
  ASSERT_TRUE(negBinEstimate(tenClasses, 1.0e-7, second, total));
  EXPECT_EQ(first, second);
  double coarse = 0;
  ASSERT_TRUE(negBinEstimate(tenClasses, 200.0, coarse, total));
  double again = 0;
  ASSERT_TRUE(negBinEstimate(tenClasses, 200.0, again, total));
  EXPECT_EQ(coarse, again);
}

TEST(NegBinEstimate, ExactnessOfOneOrMoreRunsNoIteration) {
  double f0 = 42.0;
  double total = 0;
  ASSERT_TRUE(negBinEstimate(tenClasses, 1.0, f0, total));
  EXPECT_EQ(f0, 42.0);
  EXPECT_EQ(total, 275.0 + *chao(tenClasses));
}

TEST(NegBinEstimate, IterationLimitGivesMinusOne) {
  // No change is ever within a negative exactness.
  double f0 = 0;
  double total = 0;
  ASSERT_TRUE(negBinEstimate(tenClasses, -1.0, f0, total));
  EXPECT_EQ(f0, -1.0);
  EXPECT_EQ(total, 274.0);
}

TEST(NegBinEstimate, NoEstimateForUnusableTables) {
  for (const Table& counts : {Table{}, Table{0, 0, 0}, Table{10, -4, 2}, Table{30}}) {
    double f0 = 5.0;
    double total = 5.0;
    EXPECT_FALSE(negBinEstimate(counts, 1.0e-7, f0, total));
    EXPECT_EQ(f0, 5.0);
    EXPECT_EQ(total, 5.0);
  }
}

}  // namespace
}  // namespace tallyfold
