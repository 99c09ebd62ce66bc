#include "estimation/WholeEstimate.h"

#include <cmath>

#include "common/NearestInteger.h"

namespace tallyfold {

WholeEstimate wholeEstimate(double x) {
  if (!std::isfinite(x)) return std::nullopt;
  return nearestWhole(x);
}

WholeEstimate plusObservedUnits(WholeEstimate n0, std::int64_t n) {
  if (!n0) return std::nullopt;
  const double sum = static_cast<double>(n) + *n0;
  if (!std::isfinite(sum)) return std::nullopt;
  return sum;
}

std::optional<std::int32_t> narrowEstimate(WholeEstimate value) {
  // A whole number rounds to itself.
  return value ? nearestInt(*value) : std::nullopt;
}

}  // namespace tallyfold
