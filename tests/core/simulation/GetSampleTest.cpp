#include "simulation/getSample.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "common/ListDirected.h"
#include "support/CapturedErrorOutput.h"
#include "numeric/RandomStream.h"

namespace tallyfold {
namespace {

using Table = std::vector<std::int32_t>;
const Table tenClasses{120, 60, 30, 20, 15, 10, 8, 6, 4, 2};

std::int64_t rowSum(const SampleTable& s, int r) {
  std::int64_t sum = 0;
  for (int x = 1; x <= s.cols(); ++x) sum += s(r, x);
  return sum;
}

// The text of the terminal error a call ends with (empty when none).
template <typename F>
std::string terminalText(F&& call) {
  test::CapturedErrorOutput captured;
  try {
    call();
  } catch (const TerminalError& error) {
    return error.printed();
  }
  return {};
}

TEST(DrawFromFrequencies, EverySampleHasTheClassesAndUnitsOfTheTable) {
  RandomStream stream(4711);
  const SampleTable s = drawFromFrequencies(tenClasses, 25, stream);
  ASSERT_EQ(s.rows(), 25);
  ASSERT_EQ(s.cols(), 10);
  for (int r = 1; r <= 25; ++r) {
    EXPECT_EQ(rowSum(s, r), 275) << r;
    for (int x = 1; x <= 10; ++x) EXPECT_GE(s(r, x), 0);
  }
}

TEST(DrawFromFrequencies, ClassFrequenciesAgreeWithTheProbabilities) {
  // Over R replicates class x receives Binomial(n, f(x)/n) units each time:
  // the mean over R is f(x) with standard error sqrt(f(x) (1 - f(x)/n) / R).
  const int r = 4000;
  RandomStream stream(20240611);
  const SampleTable s = drawFromFrequencies(tenClasses, r, stream);
  double chiSquare = 0.0;
  for (int x = 1; x <= 10; ++x) {
    double sum = 0.0;
    for (int i = 1; i <= r; ++i) sum += s(i, x);
    const double expected = tenClasses[static_cast<std::size_t>(x - 1)];
    const double se = std::sqrt(expected * (1.0 - expected / 275.0) / r);
    const double z = (sum / r - expected) / se;
    EXPECT_LT(std::fabs(z), 4.5) << "class " << x;
    chiSquare += z * z;
  }
  // Ten roughly independent squared normal deviates: far below 35 unless
  // the classes are drawn with the wrong probabilities.
  EXPECT_LT(chiSquare, 35.0);
}

TEST(DrawFromFrequencies, AnEmptyClassKeepsATinyProbability) {
  RandomStream stream(99);
  const SampleTable s = drawFromFrequencies(Table{0, 5, 5}, 300, stream);
  std::int64_t firstClass = 0;
  for (int r = 1; r <= 300; ++r) {
    EXPECT_EQ(rowSum(s, r), 10);
    firstClass += s(r, 1);
  }
  // About 300 * 10 * 1.0E-6 units expected in the empty class.
  EXPECT_LE(firstClass, 1);
}

TEST(DrawFromFrequencies, TablesThatCannotBeSampledEndInATerminalError) {
  RandomStream stream(5);
  EXPECT_NE(terminalText([&] { drawFromFrequencies(Table{0, 0, 0}, 3, stream); }).find("N = 0"), std::string::npos);
  EXPECT_NE(terminalText([&] { drawFromFrequencies(Table{17}, 3, stream); }).find("K = 1"), std::string::npos);
  const std::string negative = terminalText([&] { drawFromFrequencies(Table{5, -2, 9}, 3, stream); });
  EXPECT_NE(negative.find("The probability P(2) = -0.16666667"), std::string::npos) << negative;
  EXPECT_NE(terminalText([&] { drawFromFrequencies(tenClasses, 0, stream); }).find("NR = 0"), std::string::npos);
}

TEST(DrawFromPoissonMixture, ReplicatesHoldNUnitsAndTheZeroClassHasItsShare) {
  RandomStream stream(31337);
  const std::vector<double> lambda{2.0, 4.0};
  const std::vector<double> weight{0.5, 0.5};
  const int r = 200;
  const SampleTable s = drawFromPoissonMixture(16, lambda, weight, r, 5000, stream);
  ASSERT_EQ(s.cols(), 16);
  double zeros = 0.0;
  for (int i = 1; i <= r; ++i) {
    EXPECT_EQ(rowSum(s, i), 5000);
    zeros += s(i, 1);
  }
  const double expected = 5000.0 * (std::exp(-2.0) + std::exp(-4.0)) / 2.0;  // about 384
  const double se = std::sqrt(expected * (1.0 - expected / 5000.0) / r);
  EXPECT_NEAR(zeros / r, expected, 4.5 * se);
}

TEST(DrawFromPoissonMixture, WeightsNeedNotSumToOne) {
  RandomStream a(8);
  RandomStream b(8);
  const std::vector<double> lambda{1.5, 6.0};
  EXPECT_EQ(drawFromPoissonMixture(12, lambda, std::vector<double>{0.25, 0.75}, 5, 800, a),
            drawFromPoissonMixture(12, lambda, std::vector<double>{1.0, 3.0}, 5, 800, b));
}

TEST(DrawFromPoissonMixture, BadModelsEndInATerminalError) {
  RandomStream stream(8);
  const std::vector<double> one{1.0};
  // e^-2 2^59 / 59! underflows single precision: that class has no probability.
  const std::string underflow = terminalText([&] {
    drawFromPoissonMixture(60, std::vector<double>{2.0}, one, 2, 100, stream);
  });
  EXPECT_NE(underflow.find("The probability P(42) = 0.0"), std::string::npos) << underflow;
  const std::string mean = terminalText([&] {
    drawFromPoissonMixture(5, std::vector<double>{0.0}, one, 2, 100, stream);
  });
  EXPECT_NE(mean.find("THETA = 0.0"), std::string::npos) << mean;
}

TEST(DrawFromNegativeBinomial, LogsEachClassProbabilityThenTest1) {
  RandomStream stream(77);
  std::vector<std::string> log;
  const SampleTable s =
      drawFromNegativeBinomial(0.5, 0.75, 16, 5000, 4, stream, [&](const std::string& line) { log.push_back(line); });
  ASSERT_EQ(log.size(), 17u);
  EXPECT_EQ(log[0], " spi= " + shortestReal(static_cast<float>(std::pow(0.5, static_cast<double>(0.75f)))) + ":   1");
  EXPECT_EQ(log[15].substr(0, 6), " spi= ");
  EXPECT_EQ(log[15].substr(log[15].size() - 6), ":   16");
  EXPECT_EQ(log[16], " test1");
  for (int r = 1; r <= 4; ++r) EXPECT_EQ(rowSum(s, r), 5000);
}

TEST(DrawFromNegativeBinomial, ClassesWithoutProbabilityStillGetATinyOne) {
  // alpha^kappa = 1.0E-60 and every other class is of that order: all of
  // them are 0 in single precision, the log shows 0, and the replacement
  // 1.0E-9 makes the classes equally likely.
  RandomStream stream(77);
  std::vector<std::string> log;
  const int r = 400;
  const SampleTable s =
      drawFromNegativeBinomial(1.0e-30, 2.0, 8, 800, r, stream, [&](const std::string& line) { log.push_back(line); });
  ASSERT_EQ(log.size(), 9u);
  for (int x = 1; x <= 8; ++x) EXPECT_EQ(log[static_cast<std::size_t>(x - 1)], " spi= 0:   " + std::to_string(x));
  for (int x = 1; x <= 8; ++x) {
    double sum = 0.0;
    for (int i = 1; i <= r; ++i) sum += s(i, x);
    EXPECT_NEAR(sum / r, 100.0, 4.5 * std::sqrt(100.0 * 7.0 / 8.0 / r)) << x;
  }
}

}  // namespace
}  // namespace tallyfold
