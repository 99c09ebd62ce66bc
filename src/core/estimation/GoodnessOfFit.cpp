#include "estimation/GoodnessOfFit.h"

#include <boost/math/special_functions/gamma.hpp>

#include <cmath>
#include <cstdint>

#include "data/CountTable.h"
#include "estimation/ZeroTruncated.h"

namespace tallyfold {
namespace {

// Classes pooled from the tail: walking down from the last class, classes
// are joined until their expected frequency reaches minimumExpected; a
// remainder at the head that stays below it joins the class above it. This
// is the strict form of the usual rule for Pearson's test (Cochran 1954,
// "Some methods for strengthening the common chi-square tests", Biometrics
// 10, 417-451): every pooled class expects at least 5 units. A table whose
// whole n expects fewer than 5 is one class.
std::vector<PooledClass> poolFromTail(std::span<const std::int32_t> counts, std::span<const double> e) {
  std::vector<PooledClass> pooled;  // built from the tail, reversed at the end
  const auto m = static_cast<std::int32_t>(counts.size());
  PooledClass open{m, m, 0.0, 0.0};
  for (std::int32_t x = m; x >= 1; --x) {
    open.first = x;
    open.observed += counts[x - 1];
    open.expected += e[x - 1];
    if (open.expected >= minimumExpected) {
      pooled.push_back(open);
      open = PooledClass{x - 1, x - 1, 0.0, 0.0};
    }
  }
  if (open.first <= open.last && open.last >= 1) {  // a head remainder below the minimum
    if (pooled.empty()) {
      pooled.push_back(open);
    } else {
      pooled.back().first = open.first;
      pooled.back().observed += open.observed;
      pooled.back().expected += open.expected;
    }
  }
  return {pooled.rbegin(), pooled.rend()};
}

}  // namespace

GoodnessOfFit goodnessOfFit(std::span<const std::int32_t> counts, std::span<const double> g,
                            std::int32_t freeParameters) {
  const auto m = static_cast<std::int32_t>(counts.size());
  const auto n = static_cast<double>(observedUnits(counts));
  GoodnessOfFit fit{};
  fit.freeParameters = freeParameters;
  fit.expected.resize(counts.size());
  double mass = 0.0;
  fit.logLik = 0.0;
  for (std::int32_t x = 1; x <= m; ++x) {
    fit.expected[x - 1] = n * g[x - 1];
    mass += g[x - 1];
    if (counts[x - 1] > 0) fit.logLik += counts[x - 1] * std::log(g[x - 1]);
  }
  fit.tailExpected = n * (1.0 - mass);

  // The compared classes: 1..m-1 and ">= m".
  std::vector<double> e = fit.expected;
  e[m - 1] += fit.tailExpected;

  fit.deviance = 0.0;
  for (std::int32_t x = 1; x <= m; ++x)
    if (counts[x - 1] > 0) fit.deviance += 2.0 * counts[x - 1] * std::log(counts[x - 1] / e[x - 1]);

  fit.classes = poolFromTail(counts, e);
  fit.chiSquare = 0.0;
  for (const PooledClass& c : fit.classes) fit.chiSquare += (c.observed - c.expected) * (c.observed - c.expected) / c.expected;
  fit.degreesOfFreedom = static_cast<std::int32_t>(fit.classes.size()) - 1 - freeParameters;
  if (fit.degreesOfFreedom >= 1)
    fit.pValue = boost::math::gamma_q(fit.degreesOfFreedom / 2.0, fit.chiSquare / 2.0);

  fit.aic = 2.0 * freeParameters - 2.0 * fit.logLik;
  fit.bicUnits = freeParameters * std::log(n) - 2.0 * fit.logLik;
  fit.bicClasses = freeParameters * std::log(static_cast<double>(m)) - 2.0 * fit.logLik;
  return fit;
}

GoodnessOfFit mixtureGoodnessOfFit(std::span<const std::int32_t> counts, std::span<const double> lambda,
                                   std::span<const double> weight) {
  const auto k = static_cast<std::int32_t>(lambda.size());
  return goodnessOfFit(counts, mixtureProbabilities(lambda, weight, static_cast<std::int32_t>(counts.size())),
                       mixtureParameters(k));
}

GoodnessOfFit poissonGoodnessOfFit(std::span<const std::int32_t> counts) {
  const double mean = truncatedPoissonMean(averageCount(counts));
  const double lambda[] = {mean};
  const double weight[] = {1.0};
  return goodnessOfFit(counts, mixtureProbabilities(lambda, weight, static_cast<std::int32_t>(counts.size())),
                       poissonParameters);
}

GoodnessOfFit negBinGoodnessOfFit(std::span<const std::int32_t> counts, double size, double mean) {
  return goodnessOfFit(counts, truncatedNegBinProbabilities(size, mean, static_cast<std::int32_t>(counts.size())),
                       negBinParameters);
}

}  // namespace tallyfold
