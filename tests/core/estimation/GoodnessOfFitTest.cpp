#include "estimation/GoodnessOfFit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "estimation/EMtrun.h"

namespace tallyfold {
namespace {

using Table = std::vector<std::int32_t>;

double truncatedPoisson(int x, double l) { return std::pow(l, x) * std::exp(-l) / (std::tgamma(x + 1.0) * (1 - std::exp(-l))); }

// (30, 20, 12, 6, 2) under a zero-truncated Poisson of mean 1.5, worked by
// hand: e = 70 p(x) is 30.16, 22.62, 11.31, 4.24 and, with the mass beyond 5,
// 1.67 for "x >= 5"; pooled from the tail: {1}, {2}, {3}, {4, >=5}. With one
// parameter df = 4 - 1 - 1 = 2, whose chi-square tail is exp(-chi2 / 2).
TEST(GoodnessOfFitTest, PearsonDevianceAndCriteriaOfAFitWorkedByHand) {
  const Table counts{30, 20, 12, 6, 2};
  const double l = 1.5;
  std::vector<double> g;
  for (int x = 1; x <= 5; ++x) g.push_back(truncatedPoisson(x, l));
  const GoodnessOfFit fit = goodnessOfFit(counts, g, 1);

  std::vector<double> e;
  double below5 = 0;
  for (int x = 1; x <= 4; ++x) {
    e.push_back(70 * truncatedPoisson(x, l));
    below5 += truncatedPoisson(x, l);
  }
  e.push_back(70 * (1 - below5));  // "x >= 5"
  EXPECT_NEAR(fit.tailExpected, e[4] - 70 * truncatedPoisson(5, l), 1e-9);

  ASSERT_EQ(fit.classes.size(), 4u);
  EXPECT_EQ(fit.classes[3].first, 4);
  EXPECT_EQ(fit.classes[3].last, 5);
  const double chi2 = std::pow(30 - e[0], 2) / e[0] + std::pow(20 - e[1], 2) / e[1] + std::pow(12 - e[2], 2) / e[2] +
                      std::pow(8 - e[3] - e[4], 2) / (e[3] + e[4]);
  EXPECT_NEAR(fit.chiSquare, chi2, 1e-9);
  double g2 = 0;
  for (int x = 1; x <= 5; ++x) g2 += 2 * counts[x - 1] * std::log(counts[x - 1] / e[x - 1]);
  EXPECT_NEAR(fit.deviance, g2, 1e-9);
  EXPECT_EQ(fit.degreesOfFreedom, 2);
  ASSERT_TRUE(fit.pValue.has_value());
  EXPECT_NEAR(*fit.pValue, std::exp(-chi2 / 2), 1e-12);

  const double lambda[] = {l};
  const double weight[] = {1.0};
  const double logLik = logLikelihood(counts, lambda, weight);
  EXPECT_NEAR(fit.logLik, logLik, 1e-9);
  EXPECT_NEAR(fit.aic, 2 - 2 * logLik, 1e-9);
  EXPECT_NEAR(fit.bicUnits, std::log(70.0) - 2 * logLik, 1e-9);
  EXPECT_NEAR(fit.bicClasses, std::log(5.0) - 2 * logLik, 1e-9);
}

TEST(GoodnessOfFitTest, ModelsCountTheirParametersAndPoissonSitsAtItsMaximum) {
  const Table counts{120, 60, 30, 20, 15, 10, 8, 6, 4, 2};
  const double lambda[] = {0.9368, 4.9063};
  const double weight[] = {0.6993, 0.3007};
  const GoodnessOfFit mixture = mixtureGoodnessOfFit(counts, lambda, weight);
  EXPECT_EQ(mixture.freeParameters, 3);
  EXPECT_NEAR(mixture.logLik, logLikelihood(counts, lambda, weight), 1e-9);
  EXPECT_EQ(negBinGoodnessOfFit(counts, 1.0, 2.0).freeParameters, 2);

  const GoodnessOfFit poisson = poissonGoodnessOfFit(counts);
  EXPECT_EQ(poisson.freeParameters, 1);
  for (const double l : {2.30, 2.32}) {  // the ML mean is about 2.3089
    const double other[] = {l};
    const double one[] = {1.0};
    EXPECT_GT(poisson.logLik, logLikelihood(counts, other, one));
  }
}

TEST(GoodnessOfFitTest, TableExpectingFewerThanFiveUnitsIsOneClassWithoutPValue) {
  const Table counts{2, 1};
  const std::vector<double> g{0.6, 0.3};
  const GoodnessOfFit fit = goodnessOfFit(counts, g, 1);
  ASSERT_EQ(fit.classes.size(), 1u);
  EXPECT_NEAR(fit.classes[0].expected, 3.0, 1e-12);  // the mass beyond 2 counts in the last class
  EXPECT_EQ(fit.degreesOfFreedom, -1);
  EXPECT_FALSE(fit.pValue.has_value());
}

}  // namespace
}  // namespace tallyfold
