#include "estimation/GradientCurve.h"

#include <cmath>

#include "common/SinglePrecision.h"
#include "estimation/EMtrun_alg.h"

namespace tallyfold {

std::vector<std::pair<double, double>> gradientCurve(std::span<const std::int32_t> counts,
                                                     std::span<const double> lambda, std::span<const double> weight,
                                                     std::int32_t points, std::stop_token stop) {
  const double lo = std::log(static_cast<double>(single::gridStart));
  const double hi = std::log(static_cast<double>(counts.size()) + 1.0);
  std::vector<std::pair<double, double>> curve;
  curve.reserve(static_cast<std::size_t>(points));
  for (std::int32_t i = 0; i < points; ++i) {
    if (stop.stop_requested()) return {};
    const double t = points > 1 ? static_cast<double>(i) / static_cast<double>(points - 1) : 0.0;
    const double theta = std::exp(lo + (hi - lo) * t);
    curve.emplace_back(theta, gradientFunction(theta, counts, lambda, weight));
  }
  return curve;
}

}  // namespace tallyfold
