#include "estimation/Zelterman.h"

#include <cmath>

#include "common/NearestInteger.h"
#include "estimation/CountTable.h"

namespace tallyfold {

namespace {

// f(i) in single precision: 0.0 beyond the table, 0.5 for a zero count.
float frequency(std::span<const std::int32_t> counts, std::size_t i) {
  if (i > counts.size()) return 0.0f;
  const std::int32_t c = counts[i - 1];
  return c == 0 ? 0.5f : static_cast<float>(c);
}

bool estimable(std::span<const std::int32_t> counts) {
  return counts.size() >= 2 && !countTableProblem(counts);
}

// N0 = (1 / (1 - e^-lambda) - 1) n, rounded.
std::optional<std::int32_t> unseenFromRate(std::span<const std::int32_t> counts, double lambda) {
  const double n = static_cast<double>(observedUnits(counts));
  return nearestInt((1.0 / (1.0 - std::exp(-lambda)) - 1.0) * n);
}

// The rate is the quotient of two single-precision sums, taken in double
// precision.
double rate(float numerator, float denominator) {
  return static_cast<double>(numerator) / static_cast<double>(denominator);
}

}  // namespace

std::optional<std::int32_t> zelterman1(std::span<const std::int32_t> counts) {
  if (!estimable(counts)) return std::nullopt;
  const float f1 = frequency(counts, 1);
  const float f2 = frequency(counts, 2);
  return unseenFromRate(counts, rate(f2, f1) * 2.0);
}

std::optional<std::int32_t> zelterman2(std::span<const std::int32_t> counts) {
  if (!estimable(counts)) return std::nullopt;
  const float f1 = frequency(counts, 1);
  const float f2 = frequency(counts, 2);
  const float f3 = frequency(counts, 3);
  return unseenFromRate(counts, rate(3.0f * f3 + 2.0f * f2, f2 + f1));
}

std::optional<std::int32_t> zelterman3(std::span<const std::int32_t> counts) {
  if (!estimable(counts)) return std::nullopt;
  const float f1 = frequency(counts, 1);
  const float f2 = frequency(counts, 2);
  const float f3 = frequency(counts, 3);
  const float f4 = frequency(counts, 4);
  return unseenFromRate(counts, rate((2.0f * f4 + f2) * 2.0f + 3.0f * f3, f3 + f2 + f1));
}

std::optional<std::int32_t> zelterman4(std::span<const std::int32_t> counts) {
  if (!estimable(counts)) return std::nullopt;
  const float f1 = frequency(counts, 1);
  const float f2 = frequency(counts, 2);
  const float f3 = frequency(counts, 3);
  const float f4 = frequency(counts, 4);
  const float f5 = frequency(counts, 5);
  return unseenFromRate(counts, rate((2.0f * f4 + f2) * 2.0f + 3.0f * f3 + 5.0f * f5, f2 + f1 + f4 + f3));
}

std::optional<std::int32_t> chao(std::span<const std::int32_t> counts) {
  if (!estimable(counts)) return std::nullopt;
  const float f1 = frequency(counts, 1);
  const float f2 = frequency(counts, 2);
  return nearestInt(rate(f1 * f1, f2 * 2.0f));
}

}  // namespace tallyfold
