#include "common/NearestInteger.h"

#include <cmath>

namespace tallyfold {

double nearestWhole(double x) {
  if (!std::isfinite(x)) return x;
  return x >= 0.0 ? std::trunc(x + 0.5) : std::trunc(x - 0.5);
}

std::optional<std::int32_t> truncateInt(double x) {
  if (!std::isfinite(x)) return std::nullopt;
  const double t = std::trunc(x);
  if (t < -2147483648.0 || t > 2147483647.0) return std::nullopt;
  return static_cast<std::int32_t>(t);
}

std::optional<std::int32_t> nearestInt(double x) { return truncateInt(nearestWhole(x)); }

}  // namespace tallyfold
