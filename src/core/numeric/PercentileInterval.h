#pragma once
// The percentile interval of a set of replicate estimates: the bootstrap
// percentile interval of Efron & Tibshirani (1993, "An Introduction to the
// Bootstrap", Chapman & Hall, ch. 13), whose bounds are the sample
// quantiles at (1 - level) / 2 and (1 + level) / 2.
//
// Quantiles are those of Hyndman & Fan (1996, "Sample quantiles in
// statistical packages", Amer. Statistician 50, 361-365), type 7: for the n
// present values sorted ascending, x(1) <= ... <= x(n), the quantile at p is
// x(j) + g (x(j+1) - x(j)) with h = (n - 1) p + 1, j = floor(h), g = h - j
// (linear interpolation between the order statistics; x(n) at p = 1).
//
// A replicate without an estimate is left out and counted, never imputed.
#include <cstdint>
#include <optional>
#include <span>

namespace tallyfold {

struct PercentileInterval {
  std::optional<double> lower;  // none when no value is present
  std::optional<double> upper;
  double level = 0.0;
  std::int32_t used = 0;     // values present
  std::int32_t missing = 0;  // values absent
};

// The type-7 quantile at p in [0, 1] of values sorted ascending (not empty).
double sortedQuantile(std::span<const double> sorted, double p);

// The interval of the present values at a level in (0, 1). A level outside
// (0, 1), or NaN, has no quantiles: both bounds are none (the counts are
// still given).
PercentileInterval percentileInterval(std::span<const std::optional<std::int32_t>> values, double level);

}  // namespace tallyfold
