#include "simulation/EstimateTables.h"

#include <limits>

namespace tallyfold {

Estimate plusObserved(Estimate n0, std::int64_t n) {
  if (!n0) return std::nullopt;
  const std::int64_t sum = n + *n0;
  if (sum < std::numeric_limits<std::int32_t>::min() || sum > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(sum);
}

}  // namespace tallyfold
