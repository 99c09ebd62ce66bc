#pragma once
// The analytic variance of Chao's estimator and its log-normal confidence
// interval (Chao 1987, "Estimating the population size for capture-recapture
// data with unequal catchability", Biometrics 43, 783-791):
//   f0 = f1^2 / (2 f2) (not rounded), r = f1 / f2,
//   var = f2 (r^4 / 4 + r^3 + r^2 / 2),
//   C = exp(z sqrt(ln(1 + var / f0^2))), z the standard normal quantile at
//   (1 + level) / 2,
//   [n + f0 / C, n + f0 C], n the observed units.
// The interval takes N0 to be log-normal, so its bounds never fall below n.
//
// The frequencies are the table's own counts (no zero count stands in for
// 0.5, unlike the point estimate): f2 = 0 has no value, and f1 = 0 gives
// f0 = 0 with no variance, the interval [n, n].
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tallyfold {

struct ChaoInterval {
  double se = 0.0;  // sqrt(var)
  double lower = 0.0;
  double upper = 0.0;
  double level = 0.0;
};

// The interval at a level in (0, 1), or none where chaoIntervalProblem
// gives a reason.
std::optional<ChaoInterval> chaoInterval(std::span<const std::int32_t> counts, double level);

// Why the table has no interval at that level, in words for the user: its
// countTableProblem, f2 = 0, or a level outside (0, 1); none when it has one.
std::optional<std::string> chaoIntervalProblem(std::span<const std::int32_t> counts, double level);

// One line for the user: Chao's N with its interval and standard error at
// that level, or why there is none.
std::string chaoIntervalText(std::span<const std::int32_t> counts, double level);

}  // namespace tallyfold
