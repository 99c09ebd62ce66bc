#include "numeric/PercentileInterval.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tallyfold {

double sortedQuantile(std::span<const double> sorted, double p) {
  const std::size_t n = sorted.size();
  const double h = static_cast<double>(n - 1) * p;  // 0-based: h - 1 of the 1-based rule
  const double below = std::floor(h);
  const auto j = static_cast<std::size_t>(below);
  if (j + 1 >= n) return sorted[n - 1];
  return sorted[j] + (h - below) * (sorted[j + 1] - sorted[j]);
}

PercentileInterval percentileInterval(std::span<const std::optional<std::int32_t>> values, double level) {
  PercentileInterval interval;
  interval.level = level;
  std::vector<double> present;
  present.reserve(values.size());
  for (const std::optional<std::int32_t>& v : values) {
    if (v) {
      present.push_back(*v);
    } else {
      ++interval.missing;
    }
  }
  interval.used = static_cast<std::int32_t>(present.size());
  if (present.empty() || !(level > 0.0 && level < 1.0)) return interval;
  std::sort(present.begin(), present.end());
  interval.lower = sortedQuantile(present, (1.0 - level) / 2.0);
  interval.upper = sortedQuantile(present, (1.0 + level) / 2.0);
  return interval;
}

}  // namespace tallyfold
