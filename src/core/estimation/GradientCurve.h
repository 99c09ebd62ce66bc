#pragma once
// The gradient function D(theta) of a fitted mixture sampled for a picture
// or a script: points log-spaced over the range of the search's grid,
// [1.0E-6, m + 1], both ends included.
#include <cstdint>
#include <span>
#include <stop_token>
#include <utility>
#include <vector>

namespace tallyfold {

inline constexpr std::int32_t gradientCurvePoints = 400;

// (theta, D(theta)) pairs; empty when a stop request came first.
std::vector<std::pair<double, double>> gradientCurve(std::span<const std::int32_t> counts,
                                                     std::span<const double> lambda, std::span<const double> weight,
                                                     std::int32_t points = gradientCurvePoints,
                                                     std::stop_token stop = {});

}  // namespace tallyfold
