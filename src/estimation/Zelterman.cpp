#include "estimation/Zelterman.h"

#include <cmath>

#include "estimation/CountTable.h"

namespace tallyfold {

namespace {

// f(i) in single precision: 0.0 beyond the table, 0.5 for a zero count.
float frequency(std::span<const std::int32_t> counts, std::size_t i) {
  if (i > counts.size()) return 0.0f;
  const std::int32_t c = counts[i - 1];
  return c == 0 ? 0.5f : static_cast<float>(c);
}

// Why a table has no closed-form estimate: its countTableProblem, or one
// count class only (then f2 = 0). From two classes on f1 and f2 are at
// least 0.5, every rate is positive and finite, and so is every estimate.
std::optional<std::string> closedFormProblem(std::span<const std::int32_t> counts, const char* oneClass) {
  if (std::optional<std::string> problem = countTableProblem(counts)) return problem;
  if (counts.size() < 2) return std::string(oneClass);
  return std::nullopt;
}

bool estimable(std::span<const std::int32_t> counts) { return !closedFormProblem(counts, ""); }

// N0 = (1 / (1 - e^-lambda) - 1) n, rounded.
WholeEstimate unseenFromRate(std::span<const std::int32_t> counts, double lambda) {
  const double n = static_cast<double>(observedUnits(counts));
  return wholeEstimate((1.0 / (1.0 - std::exp(-lambda)) - 1.0) * n);
}

// The rate is the quotient of two single-precision sums, taken in double
// precision.
double rate(float numerator, float denominator) {
  return static_cast<double>(numerator) / static_cast<double>(denominator);
}

}  // namespace

WholeEstimate zelterman1(std::span<const std::int32_t> counts) {
  if (!estimable(counts)) return std::nullopt;
  const float f1 = frequency(counts, 1);
  const float f2 = frequency(counts, 2);
  return unseenFromRate(counts, rate(f2, f1) * 2.0);
}

WholeEstimate zelterman2(std::span<const std::int32_t> counts) {
  if (!estimable(counts)) return std::nullopt;
  const float f1 = frequency(counts, 1);
  const float f2 = frequency(counts, 2);
  const float f3 = frequency(counts, 3);
  return unseenFromRate(counts, rate(3.0f * f3 + 2.0f * f2, f2 + f1));
}

WholeEstimate zelterman3(std::span<const std::int32_t> counts) {
  if (!estimable(counts)) return std::nullopt;
  const float f1 = frequency(counts, 1);
  const float f2 = frequency(counts, 2);
  const float f3 = frequency(counts, 3);
  const float f4 = frequency(counts, 4);
  return unseenFromRate(counts, rate((2.0f * f4 + f2) * 2.0f + 3.0f * f3, f3 + f2 + f1));
}

WholeEstimate zelterman4(std::span<const std::int32_t> counts) {
  if (!estimable(counts)) return std::nullopt;
  const float f1 = frequency(counts, 1);
  const float f2 = frequency(counts, 2);
  const float f3 = frequency(counts, 3);
  const float f4 = frequency(counts, 4);
  const float f5 = frequency(counts, 5);
  return unseenFromRate(counts, rate((2.0f * f4 + f2) * 2.0f + 3.0f * f3 + 5.0f * f5, f2 + f1 + f4 + f3));
}

WholeEstimate chao(std::span<const std::int32_t> counts) {
  if (!estimable(counts)) return std::nullopt;
  const float f1 = frequency(counts, 1);
  const float f2 = frequency(counts, 2);
  return wholeEstimate(rate(f1 * f1, f2 * 2.0f));
}

std::optional<std::string> zeltermanProblem(std::span<const std::int32_t> counts) {
  return closedFormProblem(counts, "f2 = 0 (one count class only): the rate is 0, N0 has no finite value");
}

std::optional<std::string> chaoProblem(std::span<const std::int32_t> counts) {
  return closedFormProblem(counts, "f2 = 0 (one count class only): f1*f1/(2*f2) divides by zero");
}

}  // namespace tallyfold
