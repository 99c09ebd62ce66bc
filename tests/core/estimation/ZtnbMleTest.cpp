#include "estimation/ZtnbMle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace tallyfold {
namespace {

using Table = std::vector<std::int32_t>;

// Zero-truncated negative-binomial log-likelihood, straight from the density.
double directLogLik(const Table& counts, double r, double mu) {
  const double p0 = std::pow(r / (r + mu), r);
  double l = 0;
  for (int x = 1; x <= static_cast<int>(counts.size()); ++x) {
    const double logP = std::lgamma(x + r) - std::lgamma(r) - std::lgamma(x + 1.0) + r * std::log(r / (r + mu)) +
                        x * std::log(mu / (r + mu));
    l += counts[x - 1] * (logP - std::log(1 - p0));
  }
  return l;
}

// drawFromNegativeBinomial(2 / 3.5, 2, 16, 2000, 1, RandomStream(2024)) without
// its zero class: size 2, mean 1.5, N = 2000. Fitting 200 further tables of the
// same stream gave a spread (SD) of 0.38 for the size and 89 for N; the fit
// must lie within two of them.
const Table negBinTable{570, 367, 209, 105, 62, 20, 12, 2, 8, 1};

TEST(ZtnbMleTest, RecoversSizeAndPopulationOfANegativeBinomialTable) {
  const ZtnbFit fit = ztnbMle(negBinTable);
  ASSERT_EQ(fit.status, ZtnbStatus::estimated);
  EXPECT_EQ(fit.n, 1356);
  EXPECT_NEAR(*fit.size, 2.0, 2 * 0.38);
  EXPECT_NEAR(fit.n + *fit.n0, 2000.0, 2 * 89.0);
  const double r = *fit.size;
  const double mu = *fit.mean;
  EXPECT_NEAR(*fit.n0, 1356 * std::pow(r / (r + mu), r) / (1 - std::pow(r / (r + mu), r)), 1e-6);
  EXPECT_NEAR(*fit.logLik, directLogLik(negBinTable, r, mu), 1e-6);
  for (const double dr : {0.97, 1.03})
    for (const double dm : {0.99, 1.0, 1.01}) EXPECT_LT(directLogLik(negBinTable, r * dr, mu * dm), *fit.logLik);
}

TEST(ZtnbMleTest, BoundaryTablesAreReportedWithoutASize) {
  // Less spread than a Poisson: the zero-truncated Poisson, whose mean solves
  // l / (1 - e^-l) = 415 / 175.
  const Table under{40, 60, 50, 20, 5};
  const ZtnbFit poisson = ztnbMle(under);
  ASSERT_EQ(poisson.status, ZtnbStatus::poissonLimit);
  EXPECT_FALSE(poisson.size.has_value());
  const double l = *poisson.mean;
  EXPECT_NEAR(l / (1 - std::exp(-l)), 415.0 / 175.0, 1e-12);
  EXPECT_NEAR(*poisson.n0, 175 * std::exp(-l) / (1 - std::exp(-l)), 1e-9);

  // A long tail behind a heavy class 1: the likelihood rises as the size goes to 0.
  const Table heavy{300, 20, 8, 5, 4, 3, 3, 2, 2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  const ZtnbFit unbounded = ztnbMle(heavy);
  EXPECT_EQ(unbounded.status, ZtnbStatus::unbounded);
  EXPECT_FALSE(unbounded.n0.has_value());

  EXPECT_EQ(ztnbMle(Table{7}).status, ZtnbStatus::notEstimable);
}

}  // namespace
}  // namespace tallyfold
