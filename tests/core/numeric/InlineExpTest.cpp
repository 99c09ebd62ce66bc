#include "numeric/InlineExp.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace tallyfold::inlineexp {
namespace {

#ifdef TALLYFOLD_INLINE_EXP
bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class InlineExp : public ::testing::Test {
 protected:
  void SetUp() override {
    if (__builtin_cpu_supports("fma") == 0) GTEST_SKIP() << "no FMA on this processor";
  }
};

TEST_F(InlineExp, GivesTheLibrarysBitsOverItsRanges) {
  ASSERT_TRUE(expMatchesLibrary());
  const Table& t = table();
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> logSize(std::log(nearZeroLow), std::log(mainRangeHigh));
  for (int i = 0; i < 2'000'000; ++i) {
    const double size = std::exp(logSize(rng));
    if (size < nearZeroLow || size >= mainRangeHigh) continue;
    const double x = (i & 1) != 0 ? size : -size;
    ASSERT_TRUE(sameBits(expMainRange(x, t), std::exp(x))) << x;
    if (size < nearZeroHigh) {
      ASSERT_TRUE(sameBits(expNearZero(x), std::exp(x))) << x;
    }
  }
}

TEST_F(InlineExp, RoundsTheReductionIndexAsTheLibraryDoes) {
  // Arguments whose k ln2/128 reduction lies next to a half-integer: k is
  // rounded from the exact product x 128/ln2 (one fused operation); rounding
  // the product first picks the other k and changes the last bit of some
  // results.
  const Table& t = table();
  int tested = 0;
  for (int h = -60000; h < 60000; ++h) {
    double x = (h + 0.5) / invLn2N;
    for (int step = 0; step < 4; ++step, x = std::nextafter(x, 1000.0)) {
      if (std::fabs(x) < nearZeroLow || std::fabs(x) >= mainRangeHigh) continue;
      if (__builtin_fma(invLn2N, x, shift) == invLn2N * x + shift) continue;
      ++tested;
      ASSERT_TRUE(sameBits(expMainRange(x, t), std::exp(x))) << x;
    }
  }
  EXPECT_GT(tested, 10000);
}

TEST_F(InlineExp, EveryArgumentOutsideTheMainRangeGoesToTheLibrary) {
  const Table& t = table();
  const double inf = std::numeric_limits<double>::infinity();
  for (const double x : {0.0, -0.0, 1e-300, -0x1p-55, 512.0, -512.0, -700.0, 705.0, -745.2, 710.0, inf, -inf}) {
    EXPECT_TRUE(sameBits(expFma(x, t), std::exp(x))) << x;
  }
  EXPECT_TRUE(std::isnan(expFma(std::numeric_limits<double>::quiet_NaN(), t)));
}

[[gnu::target("avx2,fma")]] void fourLanes(const double* x, double* y) {
  _mm256_storeu_pd(y, expFour(_mm256_loadu_pd(x), table()));
}

TEST_F(InlineExp, FourLanesGiveTheLibrarysBitsInEveryLaneAndRange) {
  // Random arguments over the main, large and near-zero ranges mixed in one
  // vector, and the special values beside ordinary ones.
  if (__builtin_cpu_supports("avx2") == 0) GTEST_SKIP() << "no AVX2 on this processor";
  ASSERT_TRUE(expFourMatchesLibrary());
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> logSize(std::log(0x1p-60), std::log(2000.0));
  std::uniform_real_distribution<double> large(mainRangeHigh, largeRangeHigh);
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (int i = 0; i < 500'000; ++i) {
    double x[4];
    for (int lane = 0; lane < 4; ++lane) {
      const double size = (i + lane) % 3 == 0 ? large(rng) : std::exp(logSize(rng));
      x[lane] = ((i >> lane) & 1) != 0 ? size : -size;
    }
    if (i < 14) {
      x[i % 4] = std::array{0.0, -0.0, 705.0, -700.0, 710.0, -745.2, inf, -inf, nan, 1e-300, 708.0, -708.0, -746.0,
                            -1.0e5}[i];
    }
    double y[4];
    fourLanes(x, y);
    for (int lane = 0; lane < 4; ++lane) ASSERT_TRUE(sameBits(y[lane], std::exp(x[lane]))) << x[lane];
  }
}
#endif

}  // namespace
}  // namespace tallyfold::inlineexp
