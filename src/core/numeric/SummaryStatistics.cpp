#include "numeric/SummaryStatistics.h"

#include <limits>
#include <vector>

#include "numeric/Sort.h"

namespace tallyfold {

namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

// Median of values already sorted ascending; the two middle values of an
// even count are averaged in extended precision.
double sortedMedian(const std::vector<float>& sorted) {
  const std::size_t n = sorted.size();
  if (n % 2 == 1) return sorted[(n + 1) / 2 - 1];
  const long double sum = static_cast<long double>(sorted[n / 2 - 1]) + static_cast<long double>(sorted[n / 2]);
  return static_cast<double>(sum * 0.5L);
}

}  // namespace

double sampleVariance(int n, const float* values) {
  // The divisor n - 1 is zero or negative below two values.
  if (n < 2) return notANumber;
  long double sum = 0.0L;
  for (int i = 0; i < n; ++i) sum += values[i];
  const float total = static_cast<float>(sum);
  const float mean = total / static_cast<float>(n);
  long double squares = 0.0L;
  for (int i = 0; i < n; ++i) {
    const long double deviation = static_cast<long double>(values[i]) - mean;
    squares += deviation * deviation;
  }
  const double sumOfSquares = static_cast<double>(squares);
  const float divisor = static_cast<float>(n) - 1.0f;
  return sumOfSquares / divisor;
}

double median(int n, const float* values) {
  std::vector<float> sorted(n > 0 ? static_cast<std::size_t>(n) : 0);
  // SVRGN copies and sorts; it also refuses n < 1.
  SVRGN(n, values, sorted.data());
  if (n < 1) return notANumber;
  return sortedMedian(sorted);
}

double medianSquaredDeviation(int n, const float* values) {
  const double centre = median(n, values);
  if (n < 1) return notANumber;
  std::vector<float> squared(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const long double deviation = static_cast<long double>(values[i]) - centre;
    squared[static_cast<std::size_t>(i)] = static_cast<float>(deviation * deviation);
  }
  SVRGN(n, squared.data(), squared.data());
  return sortedMedian(squared);
}

}  // namespace tallyfold
