#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "support/CapturedErrorOutput.h"
#include "numeric/ErrorReporting.h"
#include "numeric/PoissonProbability.h"
#include "numeric/Sort.h"

namespace tallyfold {
namespace {

using test::CapturedErrorOutput;
using test::ScopedErrorAttributes;

TEST(PoissonProbability, KnownValues) {
  CapturedErrorOutput out;
  EXPECT_NEAR(POIPR(0, 2.0f), std::exp(-2.0), 1e-6 * std::exp(-2.0));
  EXPECT_NEAR(POIPR(3, 2.0f), 0.180447, 1e-6);
  EXPECT_EQ(POIPR(200, 1.0f), 0.0f);
  EXPECT_EQ(POIPR(INT_MAX, 3.0f), 0.0f);
  EXPECT_EQ(POIPR(-1, 2.0f), 0.0f);
  EXPECT_EQ(N1RTY(1), 1) << "a note was recorded";
  EXPECT_TRUE(out.lines().empty()) << "the note of a negative count is silent";
}

TEST(PoissonProbability, AgreesWithTheLogarithmicFormAndSumsToOne) {
  CapturedErrorOutput out;
  for (const float theta : {0.05f, 1.0f, 2.5f, 10.0f, 37.3f}) {
    double total = 0.0;
    for (int k = 0; k <= 150; ++k) {
      const float p = POIPR(k, theta);
      const double logReference = k * std::log(static_cast<double>(theta)) - std::lgamma(k + 1.0) - theta;
      // Below the smallest normalised float the result is exactly 0, never
      // a subnormal number.
      if (logReference < std::log(1.1754944e-38) - 1e-3) {
        EXPECT_EQ(p, 0.0f) << k << " " << theta;
      } else if (logReference > std::log(1.1754944e-38) + 1e-3) {
        // The single-precision sum k ln theta - (ln k! + theta) loses about
        // one unit in its largest term.
        const double magnitude = std::abs(k * std::log(theta)) + std::lgamma(k + 1.0) + theta;
        EXPECT_NEAR(std::log(static_cast<double>(p)), logReference, 4e-7 * magnitude + 1e-6) << k << " " << theta;
      }
      total += p;
    }
    EXPECT_NEAR(total, 1.0, 1e-5) << theta;
  }
  EXPECT_TRUE(out.lines().empty());
}

TEST(PoissonProbability, MeanMustBePositive) {
  for (const float theta : {0.0f, -1.5f, std::numeric_limits<float>::quiet_NaN()}) {
    CapturedErrorOutput out;
    EXPECT_THROW(POIPR(1, theta), TerminalError);
    EXPECT_EQ(out.firstLine().rfind(" *** TERMINAL ERROR 2 from POIPR.  The mean of the Poisson", 0), 0u);
    ScopedErrorAttributes noStop(5, test::printWithoutStop());
    EXPECT_TRUE(std::isnan(POIPR(1, theta)));
  }
  CapturedErrorOutput out;
  EXPECT_THROW(POIPR(1, 0.0f), TerminalError);
  EXPECT_EQ(out.message(), "The mean of the Poisson distribution, THETA = 0.0, must be positive.");
}

std::vector<float> sorted(std::vector<float> values) {
  std::vector<float> result(values.size());
  SVRGN(static_cast<int>(values.size()), values.data(), result.data());
  return result;
}

TEST(Sort, SmallCases) {
  EXPECT_EQ(sorted({4.5f}), (std::vector<float>{4.5f}));
  EXPECT_EQ(sorted({2, 1}), (std::vector<float>{1, 2}));
  EXPECT_EQ(sorted({3, 1, 2, 3, 1}), (std::vector<float>{1, 1, 2, 3, 3}));
  EXPECT_EQ(sorted({-std::numeric_limits<float>::infinity(), 7, -1e30f, 0, std::numeric_limits<float>::infinity()}),
            (std::vector<float>{-std::numeric_limits<float>::infinity(), -1e30f, 0, 7,
                                std::numeric_limits<float>::infinity()}));
}

// Arrays of every length 1..2000, drawn from a few distinct values (many
// ties) or from a continuum, and some patterned ones; sorted out of place
// (the input must stay as it was) and in place, compared with std::sort.
TEST(Sort, AgreesWithStdSortInAndOutOfPlace) {
  std::mt19937 generator(20240611u);
  std::uniform_int_distribution<int> fewValues(0, 6);
  std::uniform_real_distribution<float> continuum(-1000.0f, 1000.0f);
  for (int n = 1; n <= 2000; ++n) {
    std::vector<float> values(static_cast<std::size_t>(n));
    switch (n % 5) {
      case 0: for (float& v : values) v = static_cast<float>(fewValues(generator)); break;
      case 1: for (float& v : values) v = continuum(generator); break;
      case 2: for (int i = 0; i < n; ++i) values[static_cast<std::size_t>(i)] = static_cast<float>(n - i); break;
      case 3: for (int i = 0; i < n; ++i) values[static_cast<std::size_t>(i)] = static_cast<float>(std::min(i, n - i)); break;
      default: for (int i = 0; i < n; ++i) values[static_cast<std::size_t>(i)] = static_cast<float>(i % 17); break;
    }
    std::vector<float> expected = values;
    std::sort(expected.begin(), expected.end());

    const std::vector<float> input = values;
    std::vector<float> output(values.size(), -1.0f);
    SVRGN(n, values.data(), output.data());
    ASSERT_EQ(output, expected) << "out of place, n = " << n;
    ASSERT_EQ(values, input) << "the input array is not touched, n = " << n;

    SVRGN(n, values.data(), values.data());
    ASSERT_EQ(values, expected) << "in place, n = " << n;
    SVRGN(n, values.data(), values.data());
    ASSERT_EQ(values, expected) << "already sorted, n = " << n;
  }
}

TEST(Sort, NotANumberNeverLeadsOutsideTheArray) {
  std::mt19937 generator(7u);
  std::uniform_int_distribution<int> pick(0, 9);
  for (int n = 1; n <= 300; ++n) {
    std::vector<float> values(static_cast<std::size_t>(n));
    for (float& v : values) v = pick(generator) == 0 ? std::numeric_limits<float>::quiet_NaN() : static_cast<float>(pick(generator));
    std::vector<float> output(values.size());
    SVRGN(n, values.data(), output.data());
    // Whatever the order, the output is a permutation of the input.
    auto bits = [](const std::vector<float>& v) {
      std::vector<std::uint32_t> b;
      for (float x : v) b.push_back(std::bit_cast<std::uint32_t>(x));
      std::sort(b.begin(), b.end());
      return b;
    };
    ASSERT_EQ(bits(output), bits(values)) << n;
  }
}

TEST(Sort, LengthBelowOneIsTerminalAndNothingIsWritten) {
  std::vector<float> values = {3, 2, 1};
  for (const int n : {0, -4}) {
    CapturedErrorOutput out;
    EXPECT_THROW(SVRGN(n, values.data(), values.data()), TerminalError);
    if (n == 0) {
      EXPECT_EQ(out.firstLine(), " *** TERMINAL ERROR 1 from SVRGN.  N = 0.  The length of RA and RB, N,");
    }
    EXPECT_EQ(out.message(), "N = " + std::to_string(n) +
                                 ".  The length of RA and RB, N, must be greater than or equal to one.");
    ScopedErrorAttributes noStop(5, test::printWithoutStop());
    SVRGN(n, values.data(), values.data());
    EXPECT_EQ(values, (std::vector<float>{3, 2, 1}));
  }
}

}  // namespace
}  // namespace tallyfold
