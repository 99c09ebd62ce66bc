#pragma once
// Summaries of the values a simulation or bootstrap collects over its
// replications: sample variance, median, and median of the squared
// deviations from the median. The callers take the square roots themselves.
// The caller's array is never modified.
namespace tallyfold {

// Sample variance with divisor n - 1. Fewer than two values have no sample
// variance: the result is NaN.
double sampleVariance(int n, const float* values);

// Median of values[0..n-1]; the mean of the two middle values for even n.
// n < 1 is reported by SVRGN as a terminal error (NaN if execution goes on).
double median(int n, const float* values);

// Median of the squared deviations of the values from their median.
double medianSquaredDeviation(int n, const float* values);

}  // namespace tallyfold
