#include "estimation/Gamma.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "estimation/Zelterman.h"

namespace tallyfold {
namespace {

using Table = std::vector<std::int32_t>;
const Table tenClasses{120, 60, 30, 20, 15, 10, 8, 6, 4, 2};  // n = 275

TEST(NegBinProb, MatchesTheNegativeBinomialDensity) {
  // The zero class is p^kappa, also where ln Gamma is the straight line.
  for (const float kappa : {0.3f, 2.5f, 40.0f, 80.0f}) {
    EXPECT_DOUBLE_EQ(negBinProb(0, kappa, 0.35f), std::pow(static_cast<double>(0.35f), static_cast<double>(kappa)));
  }
  // Below 35 for x + kappa every term uses GAMMA.
  double total = 0;
  for (std::int32_t x = 0; x < 30; ++x) {
    const double expected = std::exp(std::lgamma(x + 2.5) - std::lgamma(2.5) - std::lgamma(x + 1.0) +
                                     2.5 * std::log(0.4) + x * std::log(0.6));
    const double px = negBinProb(x, 2.5f, 0.4f);
    EXPECT_NEAR(px, expected, 1e-5 * expected + 1e-12) << x;
    total += px;
  }
  EXPECT_NEAR(total, 1.0, 1e-5);
}

TEST(NegBinProb, LogGammaIsAStraightLineFrom35) {
  EXPECT_EQ(logGamma(1.0f), 0.0);
  EXPECT_NEAR(logGamma(5.0f), std::log(24.0), 1e-6);
  EXPECT_NEAR(logGamma(34.5f), std::lgamma(34.5), 1e-4);
  EXPECT_NEAR(logGamma(50.0f), 151.02, 0.01);  // ln Gamma(50) is about 144.57
  const std::vector<float> h{10.0f, 10.0f, 5.0f, 2.0f};  // values 0..3
  EXPECT_DOUBLE_EQ(classMean(4, h.data()), 26.0 / 27.0);
  EXPECT_DOUBLE_EQ(classVariance(4, h.data(), 26.0 / 27.0), 48.0 / 27.0 - (26.0 / 27.0) * (26.0 / 27.0));
}

TEST(NegBinEstimate, OverdispersedTableReachesTheFixedPoint) {
  double f0 = 0;
  double total = 0;
  ASSERT_TRUE(negBinEstimate(tenClasses, 1.0e-7, f0, total));
  EXPECT_NEAR(total, 275.0 + f0, 1e-3);
  // f0 = p^kappa (n + f0) with kappa and p from the completed table.
  double sum = f0;
  double sumX = 0;
  double sumX2 = 0;
  for (std::size_t x = 1; x <= tenClasses.size(); ++x) {
    sum += tenClasses[x - 1];
    sumX += static_cast<double>(x * tenClasses[x - 1]);
    sumX2 += static_cast<double>(x * x * tenClasses[x - 1]);
  }
  const double mu = sumX / sum;
  const double v = sumX2 / sum - mu * mu;
  EXPECT_NEAR(f0, std::pow(mu / v, mu * mu / (v - mu)) * (275.0 + f0), 1e-3 * f0);
  // Every call starts its comparison afresh.
  double again = 0;
  ASSERT_TRUE(negBinEstimate(Table{50, 10, 5, 1}, 0.5, again, total));
  ASSERT_TRUE(negBinEstimate(tenClasses, 1.0e-7, again, total));
  EXPECT_EQ(again, f0);
}

TEST(NegBinEstimate, ExactnessAndIterationLimit) {
  // eps >= 1: no iteration, f0 kept, total = n + Chao.
  double f0 = 42.0;
  double total = 0;
  ASSERT_TRUE(negBinEstimate(tenClasses, 1.0, f0, total));
  EXPECT_EQ(f0, 42.0);
  EXPECT_EQ(total, 275.0 + *chao(tenClasses));
  // No change is ever within a negative exactness: the limit gives -1, n - 1.
  ASSERT_TRUE(negBinEstimate(tenClasses, -1.0, f0, total));
  EXPECT_EQ(f0, -1.0);
  EXPECT_EQ(total, 274.0);
}

TEST(NegBinEstimate, NoEstimateWithoutOverdispersionOrData) {
  // (10, 5, 2) completed by Chao: the mean 26/27 exceeds the variance, kappa
  // would be negative. Then tables without a Chao value or without data.
  for (const Table& counts : {Table{10, 5, 2}, Table{30}, Table{}, Table{0, 0, 0}, Table{10, -4, 2}}) {
    double f0 = 5.0;
    double total = 5.0;
    EXPECT_FALSE(negBinEstimate(counts, 1.0e-7, f0, total));
    EXPECT_EQ(f0, 5.0);
    EXPECT_EQ(total, 5.0);
  }
}

TEST(NegativeBinomial, EstimatesOrSaysWhyNot) {
  // The fixed point, rounded, as negBinEstimate from the Chao value finds it.
  double f0 = 0;
  double total = 0;
  ASSERT_TRUE(negBinEstimate(tenClasses, 1.0e-7, f0, total));
  const NegBinResult fit = negativeBinomial(tenClasses, 1.0e-7);
  EXPECT_EQ(fit.n0, wholeEstimate(f0));
  EXPECT_EQ(fit.n, wholeEstimate(total));
  EXPECT_TRUE(fit.reason.empty());
  // eps >= 1: the Chao start value and n + Chao.
  EXPECT_EQ(negativeBinomial(tenClasses, 1.0).n0, chao(tenClasses));
  EXPECT_EQ(negativeBinomial(tenClasses, 1.0).n, 275.0 + *chao(tenClasses));
  // (10, 1, 1) never settles: the limit's marker -1 is no estimate.
  const NegBinResult limit = negativeBinomial(Table{10, 1, 1}, 1.0e-7);
  EXPECT_FALSE(limit.n0 || limit.n);
  EXPECT_EQ(limit.reason, "iteration limit");
  const NegBinResult small = negativeBinomial(Table{10, 5, 2}, 1.0e-7);
  EXPECT_FALSE(small.n0 || small.n);
  EXPECT_EQ(small.reason.rfind("no overdispersion", 0), 0u) << small.reason;
  EXPECT_EQ(negativeBinomial(Table{30}, 1.0e-7).reason.rfind("no Chao start value: f2 = 0", 0), 0u);
  EXPECT_EQ(negativeBinomial(Table{0, 0}, 1.0e-7).reason, "The count data hold no observed units: every count is zero.");
}

}  // namespace
}  // namespace tallyfold
