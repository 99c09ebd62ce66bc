#include "estimation/ZtnbMle.h"

#include <boost/math/tools/minima.hpp>

#include <cmath>
#include <cstdint>
#include <vector>

#include "data/CountTable.h"
#include "estimation/ZeroTruncated.h"

namespace tallyfold {
namespace {

// Steps of the grid over ln r that brackets the profile's maximum.
constexpr int gridSteps = 120;

double logLikelihoodOf(std::span<const std::int32_t> counts, const std::vector<double>& g) {
  double l = 0.0;
  for (std::size_t i = 0; i < counts.size(); ++i)
    if (counts[i] > 0) l += counts[i] * std::log(g[i]);
  return l;
}

struct ProfilePoint {
  double size;
  double mean;
  double logLik;
};

ProfilePoint profileAt(std::span<const std::int32_t> counts, double average, double logSize) {
  const double size = std::exp(logSize);
  const double mean = truncatedNegBinMean(size, average);
  const auto m = static_cast<std::int32_t>(counts.size());
  return {size, mean, logLikelihoodOf(counts, truncatedNegBinProbabilities(size, mean, m))};
}

double unseenFrom(double n, double p0) { return n * p0 / (1.0 - p0); }

}  // namespace

ZtnbFit ztnbMle(std::span<const std::int32_t> counts) {
  ZtnbFit fit;
  if (const auto problem = mixtureProblem(counts)) {
    fit.problem = *problem;
    return fit;
  }
  fit.n = observedUnits(counts);
  const auto n = static_cast<double>(fit.n);
  const double average = averageCount(counts);

  const double lo = std::log(ztnbSizeLowest);
  const double hi = std::log(ztnbSizeHighest);
  const double step = (hi - lo) / gridSteps;
  std::vector<ProfilePoint> grid;
  grid.reserve(gridSteps + 1);
  int best = 0;
  for (int i = 0; i <= gridSteps; ++i) {
    grid.push_back(profileAt(counts, average, lo + step * i));
    if (grid[i].logLik > grid[best].logLik) best = i;
  }
  const double top = grid[best].logLik;
  const double tolerance = ztnbLikelihoodTolerance * (1.0 + std::fabs(top));

  if (grid.back().logLik >= top - tolerance) {
    fit.status = ZtnbStatus::poissonLimit;
    const double lambda = truncatedPoissonMean(average);
    const double lambdas[] = {lambda};
    const double weights[] = {1.0};
    fit.mean = lambda;
    fit.logLik = logLikelihoodOf(counts, mixtureProbabilities(lambdas, weights, static_cast<std::int32_t>(counts.size())));
    fit.n0 = unseenFrom(n, std::exp(-lambda));
    return fit;
  }
  if (grid.front().logLik >= top - tolerance) {
    fit.status = ZtnbStatus::unbounded;
    return fit;
  }

  // Brent's minimisation (Brent 1973, "Algorithms for minimization without
  // derivatives") of -L over the two grid steps around the best point.
  const auto negProfile = [&](double t) { return -profileAt(counts, average, t).logLik; };
  const auto r = boost::math::tools::brent_find_minima(negProfile, lo + step * (best - 1), lo + step * (best + 1), 40);
  ProfilePoint at = profileAt(counts, average, r.first);
  if (at.logLik < top) at = grid[best];
  fit.status = ZtnbStatus::estimated;
  fit.size = at.size;
  fit.mean = at.mean;
  fit.logLik = at.logLik;
  fit.n0 = unseenFrom(n, negBinZeroProbability(at.size, at.mean));
  return fit;
}

}  // namespace tallyfold
