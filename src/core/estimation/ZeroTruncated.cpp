#include "estimation/ZeroTruncated.h"

#include <boost/math/special_functions/gamma.hpp>
#include <boost/math/tools/roots.hpp>

#include <cmath>
#include <cstdint>
#include <functional>
#include <utility>

#include "data/CountTable.h"

namespace tallyfold {
namespace {

// ln(1 - e^-l), accurate for small l as well.
double logOneMinusExpMinus(double l) { return std::log(-std::expm1(-l)); }

// The root in (0, average) of f(mu) = truncatedMean(mu) - average, where
// the truncated mean rises from 1 (mu -> 0) past average (mu = average).
// TOMS 748 (Alefeld, Potra & Shi 1995) to full double precision.
double rootBelowAverage(const std::function<double(double)>& f, double average) {
  double lo = average * 1e-12;
  while (f(lo) >= 0 && lo > 1e-300) lo *= 1e-3;
  boost::uintmax_t iterations = 200;
  const std::pair<double, double> r = boost::math::tools::toms748_solve(
      f, lo, average, boost::math::tools::eps_tolerance<double>(52), iterations);
  return 0.5 * (r.first + r.second);
}

}  // namespace

std::vector<double> mixtureProbabilities(std::span<const double> lambda, std::span<const double> weight,
                                         std::int32_t m) {
  std::vector<double> g(static_cast<std::size_t>(m > 0 ? m : 0), 0.0);
  for (std::size_t j = 0; j < lambda.size(); ++j) {
    const double logL = std::log(lambda[j]);
    const double logTrunc = logOneMinusExpMinus(lambda[j]);
    for (std::int32_t x = 1; x <= m; ++x)
      g[x - 1] += weight[j] * std::exp(x * logL - lambda[j] - boost::math::lgamma(x + 1.0) - logTrunc);
  }
  return g;
}

double negBinZeroProbability(double size, double mean) { return std::exp(-size * std::log1p(mean / size)); }

std::vector<double> truncatedNegBinProbabilities(double size, double mean, std::int32_t m) {
  std::vector<double> g(static_cast<std::size_t>(m > 0 ? m : 0), 0.0);
  const double logP0 = -size * std::log1p(mean / size);
  const double logTrunc = std::log(-std::expm1(logP0));
  const double logQ = std::log(mean / (size + mean));
  // ln Gamma(x + r) - ln Gamma(r) = sum_{i<x} ln(r + i): exact for every size,
  // where the difference of two log-gamma values loses digits for a large r.
  double logRising = 0.0;
  for (std::int32_t x = 1; x <= m; ++x) {
    logRising += std::log(size + (x - 1));
    g[x - 1] = std::exp(logRising - boost::math::lgamma(x + 1.0) + logP0 + x * logQ - logTrunc);
  }
  return g;
}

double averageCount(std::span<const std::int32_t> counts) {
  double sumX = 0.0;
  for (std::size_t i = 0; i < counts.size(); ++i) sumX += static_cast<double>(i + 1) * counts[i];
  return sumX / static_cast<double>(observedUnits(counts));
}

double truncatedPoissonMean(double average) {
  return rootBelowAverage([average](double l) { return l / -std::expm1(-l) - average; }, average);
}

double truncatedPoissonUnseen(std::span<const std::int32_t> counts) {
  const double lambda = truncatedPoissonMean(averageCount(counts));
  return static_cast<double>(observedUnits(counts)) * std::exp(-lambda) / -std::expm1(-lambda);
}

double truncatedNegBinMean(double size, double average) {
  return rootBelowAverage(
      [size, average](double mu) { return mu / -std::expm1(-size * std::log1p(mu / size)) - average; }, average);
}

}  // namespace tallyfold
