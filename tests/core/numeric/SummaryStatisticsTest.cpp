#include "numeric/SummaryStatistics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "support/CapturedErrorOutput.h"
#include "numeric/ErrorReporting.h"

namespace tallyfold {
namespace {

using test::CapturedErrorOutput;
using test::ScopedErrorAttributes;

int size(const std::vector<float>& v) { return static_cast<int>(v.size()); }

TEST(SummaryStatistics, MedianOfOddEvenAndSingleCounts) {
  const std::vector<float> odd = {3, 1, 2};
  const std::vector<float> even = {4, 1, 3, 2};
  EXPECT_EQ(median(size(odd), odd.data()), 2.0);
  EXPECT_EQ(median(size(even), even.data()), 2.5);
  EXPECT_EQ(median(1, std::vector<float>{-7.25f}.data()), -7.25);
  // The two middle values are averaged without overflowing.
  const std::vector<float> huge = {3.0e38f, 3.2e38f};
  EXPECT_EQ(median(2, huge.data()), (static_cast<double>(huge[0]) + static_cast<double>(huge[1])) / 2.0);
  EXPECT_EQ(odd, (std::vector<float>{3, 1, 2})) << "the caller's array keeps its order";
  EXPECT_EQ(even, (std::vector<float>{4, 1, 3, 2}));
}

TEST(SummaryStatistics, SampleVarianceUsesDivisorNMinusOne) {
  const std::vector<float> values = {2, 4, 4, 4, 5, 5, 7, 9};
  EXPECT_DOUBLE_EQ(sampleVariance(size(values), values.data()), 32.0 / 7.0);
  // Estimates of a large population with a small spread: the extended sums
  // keep the spread although the values share their leading digits.
  std::vector<float> large;
  for (int i = 0; i < 1000; ++i) large.push_back(1.0e6f + static_cast<float>(i % 10));
  EXPECT_NEAR(sampleVariance(size(large), large.data()), 8.25 * 1000.0 / 999.0, 1e-9);
}

TEST(SummaryStatistics, SampleVarianceOfFewerThanTwoValuesIsNotANumber) {
  const float one = 5.0f;
  EXPECT_TRUE(std::isnan(sampleVariance(1, &one)));
  EXPECT_TRUE(std::isnan(sampleVariance(0, &one)));
  EXPECT_TRUE(std::isnan(sampleVariance(-3, &one)));
}

TEST(SummaryStatistics, MedianSquaredDeviation) {
  const std::vector<float> values = {1, 2, 3, 4, 100};
  EXPECT_EQ(medianSquaredDeviation(size(values), values.data()), 1.0);
  EXPECT_EQ(values, (std::vector<float>{1, 2, 3, 4, 100}));
  // Even count: median 2.5, squared deviations 2.25, 0.25, 0.25, 2.25.
  const std::vector<float> even = {4, 1, 3, 2};
  EXPECT_EQ(medianSquaredDeviation(size(even), even.data()), 1.25);
  EXPECT_EQ(even, (std::vector<float>{4, 1, 3, 2}));
}

TEST(SummaryStatistics, AgreeWithDirectComputationOnRandomEstimates) {
  std::mt19937 generator(99u);
  std::poisson_distribution<int> estimate(250.0);
  for (const int n : {2, 3, 10, 51, 200, 1001}) {
    std::vector<float> values;
    for (int i = 0; i < n; ++i) values.push_back(static_cast<float>(estimate(generator)));
    std::vector<double> sorted(values.begin(), values.end());
    std::sort(sorted.begin(), sorted.end());
    auto middle = [](const std::vector<double>& s) {
      const std::size_t m = s.size();
      return m % 2 ? s[m / 2] : (s[m / 2 - 1] + s[m / 2]) / 2.0;
    };
    const double centre = middle(sorted);
    EXPECT_EQ(median(n, values.data()), centre) << n;

    std::vector<double> squared;
    for (double v : sorted) squared.push_back((v - centre) * (v - centre));
    std::sort(squared.begin(), squared.end());
    EXPECT_EQ(medianSquaredDeviation(n, values.data()), middle(squared)) << n;

    double mean = 0.0;
    for (double v : sorted) mean += v;
    mean /= n;
    double squares = 0.0;
    for (double v : sorted) squares += (v - mean) * (v - mean);
    EXPECT_NEAR(sampleVariance(n, values.data()), squares / (n - 1), 1e-6 * squares / (n - 1)) << n;
  }
}

TEST(SummaryStatistics, MedianOfNoValuesIsReportedBySort) {
  const float none = 0.0f;
  CapturedErrorOutput out;
  EXPECT_THROW(median(0, &none), TerminalError);
  EXPECT_EQ(out.firstLine().rfind(" *** TERMINAL ERROR 1 from SVRGN.  N = 0.", 0), 0u);
  out.clear();
  EXPECT_THROW(medianSquaredDeviation(-2, &none), TerminalError);
  EXPECT_EQ(out.firstLine().rfind(" *** TERMINAL ERROR 1 from SVRGN.  N = -2.", 0), 0u);

  ScopedErrorAttributes noStop(5, test::printWithoutStop());
  EXPECT_TRUE(std::isnan(median(0, &none)));
  EXPECT_TRUE(std::isnan(medianSquaredDeviation(0, &none)));
}

}  // namespace
}  // namespace tallyfold
