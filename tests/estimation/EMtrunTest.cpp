#include "estimation/EMtrun.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "common/SinglePrecision.h"

namespace tallyfold {
namespace {

using Table = std::vector<std::int32_t>;
const double defaultEps = static_cast<double>(single::exactness);

// p(x; lambda) of the zero-truncated Poisson, computed independently.
double truncatedPoisson(int x, double lambda) {
  return std::exp(x * std::log(lambda) - lambda - std::lgamma(x + 1.0)) / (1.0 - std::exp(-lambda));
}

// lambda / (1 - e^-lambda), the mean of the zero-truncated Poisson.
double truncatedMean(double lambda) { return lambda / (1.0 - std::exp(-lambda)); }

// The fixed point written out plainly with std::exp and a division, as a
// reference for the engine's own loop.
double referenceFixedPoint(float a, float b, double tol, std::int64_t& steps) {
  double lambda = 1.0;
  double previous = 0.0;
  steps = 0;
  while (std::fabs(previous - lambda) > tol) {
    previous = lambda;
    lambda = (1.0 - std::exp(-lambda)) * static_cast<double>(a) / static_cast<double>(b);
    ++steps;
  }
  return lambda;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(EmFit, OneComponentSolvesTheTruncatedMeanEquation) {
  for (const Table& counts : {Table{10, 5, 2}, Table{2, 1}, Table{120, 60, 30, 20, 15, 10, 8, 6, 4, 2}}) {
    double n = 0;
    double sumX = 0;
    for (std::size_t i = 0; i < counts.size(); ++i) {
      n += counts[i];
      sumX += static_cast<double>(i + 1) * counts[i];
    }
    std::vector<double> lambda{1.0};
    std::vector<double> weight{1.0};
    Matrix<double> posterior;
    FitCounters counters;
    emFit(counts, defaultEps, lambda, weight, lambda, weight, posterior, &counters);
    EXPECT_NEAR(truncatedMean(lambda[0]), sumX / n, 1e-7);
    EXPECT_EQ(weight[0], 1.0);
    ASSERT_EQ(posterior.rows(), static_cast<int>(counts.size()));
    ASSERT_EQ(posterior.cols(), 1);
    for (int x = 1; x <= posterior.rows(); ++x) EXPECT_EQ(posterior(x, 1), 1.0);
    // The second pass starts from the same posterior and changes nothing.
    EXPECT_LE(counters.emPasses, 2);
  }
}

TEST(EmFit, ExactnessOfOneOrMoreReturnsTheStartingValues) {
  const Table counts{120, 60, 30, 20, 15, 10, 8, 6, 4, 2};
  const std::vector<double> lambdaIn{0.5, 3.0};
  const std::vector<double> weightIn{0.4, 0.6};
  for (const double eps : {1.0, 4.0, 1.0e6}) {
    std::vector<double> lambda(2, -1.0);
    std::vector<double> weight(2, -1.0);
    Matrix<double> posterior(3, 1);
    posterior(2, 1) = 7.0;
    FitCounters counters;
    emFit(counts, eps, lambdaIn, weightIn, lambda, weight, posterior, &counters);
    EXPECT_EQ(lambda, lambdaIn);
    EXPECT_EQ(weight, weightIn);
    EXPECT_EQ(posterior.rows(), 3);  // not even reshaped
    EXPECT_EQ(posterior(2, 1), 7.0);
    EXPECT_EQ(counters.emPasses, 0);
  }
}

TEST(EmFit, OutputsMayBeTheInputStorage) {
  const Table counts{120, 60, 30, 20, 15, 10, 8, 6, 4, 2};
  const std::vector<double> lambdaIn{0.5, 3.0};
  const std::vector<double> weightIn{0.4, 0.6};
  std::vector<double> lambda(2);
  std::vector<double> weight(2);
  Matrix<double> posterior;
  emFit(counts, defaultEps, lambdaIn, weightIn, lambda, weight, posterior);

  std::vector<double> inPlaceLambda = lambdaIn;
  std::vector<double> inPlaceWeight = weightIn;
  Matrix<double> inPlacePosterior;
  emFit(counts, defaultEps, inPlaceLambda, inPlaceWeight, inPlaceLambda, inPlaceWeight, inPlacePosterior);
  EXPECT_EQ(inPlaceLambda, lambda);
  EXPECT_EQ(inPlaceWeight, weight);
  EXPECT_EQ(inPlacePosterior, posterior);
  // A two-component fit of these data raises the likelihood above the
  // one-component fit's and keeps the weights a distribution.
  EXPECT_NEAR(weight[0] + weight[1], 1.0, 1e-12);
  for (int x = 1; x <= posterior.rows(); ++x) EXPECT_NEAR(posterior(x, 1) + posterior(x, 2), 1.0, 1e-12);
}

TEST(EmFit, IdenticalComponentsStayIdentical) {
  const Table counts{10, 5, 0, 2, 1};
  // Equal weights: the two posteriors are the same numbers, so are the means.
  std::vector<double> lambda{2.0, 2.0};
  std::vector<double> weight{0.5, 0.5};
  Matrix<double> posterior;
  emFit(counts, defaultEps, lambda, weight, lambda, weight, posterior);
  EXPECT_EQ(lambda[0], lambda[1]);
  EXPECT_EQ(weight[0], weight[1]);
  // Unequal weights keep their ratio; the means agree up to the rounding of
  // the single-precision sums.
  lambda = {2.0, 2.0};
  weight = {0.25, 0.75};
  emFit(counts, defaultEps, lambda, weight, lambda, weight, posterior);
  EXPECT_NEAR(lambda[0], lambda[1], 1e-6 * lambda[0]);
  EXPECT_NEAR(weight[0] / weight[1], 1.0 / 3.0, 1e-12);
}

TEST(EmFit, ZeroWeightFollowsIeeeArithmetic) {
  // ln 0 - ln 0 is NaN: the component's posterior is NaN, not a crash, not
  // a hang, and the other component is untouched by it.
  const Table counts{10, 5, 2};
  std::vector<double> lambda{0.5, 2.0};
  std::vector<double> weight{0.0, 1.0};
  Matrix<double> posterior;
  FitCounters counters;
  emFit(counts, defaultEps, lambda, weight, lambda, weight, posterior, &counters);
  EXPECT_TRUE(std::isnan(posterior(1, 1)));
  EXPECT_TRUE(std::isnan(weight[0]));
  EXPECT_LE(counters.emPasses, emIterationLimit + 1);
}

TEST(EmFit, EndsAtThePassLimit) {
  // A zero exactness never converges: the fit ends after 5001 passes.
  const Table counts{120, 60, 30, 20, 15, 10, 8, 6, 4, 2};
  std::vector<double> lambda{2.3};
  std::vector<double> weight{1.0};
  Matrix<double> posterior;
  FitCounters counters;
  emFit(counts, -1.0, lambda, weight, lambda, weight, posterior, &counters);
  EXPECT_EQ(counters.emPasses, emIterationLimit + 1);
}

TEST(UpdateLambdas, StartsFromOneAndUsesSinglePrecisionSums) {
  const Table counts{120, 60, 30, 20, 15, 10, 8, 6, 4, 2};
  Matrix<double> posterior(10, 2);
  double a1 = 0, b1 = 0, a2 = 0, b2 = 0;
  for (int x = 1; x <= 10; ++x) {
    posterior(x, 1) = 1.0 / (1.0 + 0.3 * x * x);
    posterior(x, 2) = 1.0 - posterior(x, 1);
    a1 += static_cast<double>(x * counts[x - 1]) * posterior(x, 1);
    b1 += counts[x - 1] * posterior(x, 1);
    a2 += static_cast<double>(x * counts[x - 1]) * posterior(x, 2);
    b2 += counts[x - 1] * posterior(x, 2);
  }
  const double tol = defaultEps * static_cast<double>(single::meanStepFactor);
  std::int64_t steps = 0;
  const double expected1 = referenceFixedPoint(static_cast<float>(a1), static_cast<float>(b1), tol, steps);
  const double expected2 = referenceFixedPoint(static_cast<float>(a2), static_cast<float>(b2), tol, steps);
  // Whatever the means held before, every call starts from 1.0.
  for (const double start : {1.0, 0.01, 5.0}) {
    std::vector<double> lambda{start, start};
    updateLambdas(counts, tol, posterior, lambda);
    EXPECT_TRUE(sameBits(lambda[0], expected1)) << start;
    EXPECT_TRUE(sameBits(lambda[1], expected2)) << start;
  }
  std::vector<double> lambda{0.3, 0.3};
  updateLambdas(counts, 1.0, posterior, lambda);
  EXPECT_EQ(lambda, (std::vector<double>{1.0, 1.0}));
}

TEST(UpdateLambdas, FastLoopGivesTheBitsOfThePlainArithmetic) {
  // Means near zero (a/b just above 1) take the inlined exponential; the
  // others the library's. Steps and results must agree bit for bit.
  std::mt19937 rng(20240611);
  std::uniform_real_distribution<float> ratio(1.0f, 1.002f);
  std::uniform_real_distribution<float> wide(1.0f, 40.0f);
  std::uniform_real_distribution<float> scale(0.01f, 5000.0f);
  const double tols[] = {defaultEps * 0.005, 0.5 * defaultEps * 0.005, 1.0e-4, 1.0e-12};
  for (int i = 0; i < 240; ++i) {
    const float b = scale(rng);
    const float a = b * (i % 3 == 0 ? wide(rng) : ratio(rng));
    const double tol = tols[i % 4];
    std::int64_t expectedSteps = 0;
    const double expected = referenceFixedPoint(a, b, tol, expectedSteps);
    std::int64_t steps = 0;
    const double got = truncatedMeanFixedPoint(a, b, tol, steps);
    ASSERT_TRUE(sameBits(got, expected)) << "a=" << a << " b=" << b << " tol=" << tol;
    ASSERT_EQ(steps, expectedSteps);
  }
  // Exactly 1 (all mass in class 1): the mean goes to zero like 2/n.
  std::int64_t expectedSteps = 0;
  const double expected = referenceFixedPoint(3.0f, 3.0f, 2.5e-10, expectedSteps);
  std::int64_t steps = 0;
  EXPECT_TRUE(sameBits(truncatedMeanFixedPoint(3.0f, 3.0f, 2.5e-10, steps), expected));
  EXPECT_EQ(steps, expectedSteps);
}

TEST(UpdateLambdas, StepLimitEndsALoopThatCannotConverge) {
  // No step can be within a negative tolerance; without the limit this
  // would never end. The worst real case, a mean at zero with the smallest
  // tolerance of an exactness of 1.0E-12, stays far below the limit.
  std::int64_t steps = 0;
  const double lambda = truncatedMeanFixedPoint(1.0f, 1.0f, -1.0, steps);
  EXPECT_EQ(steps, meanUpdateStepLimit);
  EXPECT_TRUE(std::isfinite(lambda));
  steps = 0;
  truncatedMeanFixedPoint(1.0f, 1.0f, 0.5 * 1.0e-12 * 0.005, steps);
  EXPECT_LT(steps, meanUpdateStepLimit / 3);
  // A NaN tolerance stops at once.
  steps = 0;
  EXPECT_EQ(truncatedMeanFixedPoint(2.0f, 1.0f, std::numeric_limits<double>::quiet_NaN(), steps), 1.0);
  EXPECT_EQ(steps, 0);
}

TEST(Likelihood, MatchesTheMixtureDensity) {
  const Table counts{120, 60, 30, 0, 15, 10, 8, 6, 4, 2};
  const std::vector<double> lambda{0.9, 4.9, 0.05};
  const std::vector<double> weight{0.6, 0.3, 0.1};
  double expected = 0;
  for (int x = 1; x <= 10; ++x) {
    double g = 0;
    for (int j = 0; j < 3; ++j) g += weight[j] * truncatedPoisson(x, lambda[j]);
    expected += counts[x - 1] * std::log(g);
    // The kernel is x! g(x).
    EXPECT_NEAR(mixtureKernel(lambda, weight, x), g * std::tgamma(x + 1.0), 1e-12 * std::tgamma(x + 1.0));
  }
  EXPECT_NEAR(logLikelihood(counts, lambda, weight), expected, 1e-9 * std::fabs(expected));
}

TEST(PopulationSize, UnseenUnitsOfAFittedPoisson) {
  // f1 = 2, f2 = 1: the mean solves lambda / (1 - e^-lambda) = 4/3 and
  // N0 = 3 e^-lambda / (1 - e^-lambda).
  const Table counts{2, 1};
  std::vector<double> lambda{1.0};
  std::vector<double> weight{1.0};
  Matrix<double> posterior;
  emFit(counts, defaultEps, lambda, weight, lambda, weight, posterior);
  EXPECT_NEAR(truncatedMean(lambda[0]), 4.0 / 3.0, 1e-8);
  const double e = std::exp(-lambda[0]);
  EXPECT_NEAR(estimateN0(counts, lambda, weight), 3.0 * e / (1.0 - e), 1e-9);
  EXPECT_NEAR(estimateNall(counts, lambda, weight), 3.0 / (1.0 - e), 1e-9);
}

TEST(PopulationSize, MixtureOfComponents) {
  const Table counts{50, 25, 10};  // n = 85
  const std::vector<double> lambda{0.5, 3.0};
  const std::vector<double> weight{0.7, 0.3};
  const double s = 0.7 / (1.0 - std::exp(-0.5)) + 0.3 / (1.0 - std::exp(-3.0));
  EXPECT_NEAR(estimateNall(counts, lambda, weight), 85.0 * s, 1e-10);
  EXPECT_NEAR(estimateN0(counts, lambda, weight), 85.0 * (s - 1.0), 1e-10);
}

}  // namespace
}  // namespace tallyfold
