#include "estimation/EMtrun.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <stop_token>
#include <tuple>
#include <vector>

#include "common/SinglePrecision.h"

namespace tallyfold {
namespace {

using Table = std::vector<std::int32_t>;
using Vec = std::vector<double>;
const double defaultEps = static_cast<double>(single::exactness);
const Table tenClasses{120, 60, 30, 20, 15, 10, 8, 6, 4, 2};

double truncatedMean(double lambda) { return lambda / (1.0 - std::exp(-lambda)); }

// The fixed point written out plainly, with std::exp and a division.
double referenceFixedPoint(float a, float b, double tol, std::int64_t& steps) {
  double lambda = 1.0;
  double previous = 0.0;
  for (steps = 0; std::fabs(previous - lambda) > tol; ++steps) {
    previous = lambda;
    lambda = (1.0 - std::exp(-lambda)) * static_cast<double>(a) / static_cast<double>(b);
  }
  return lambda;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(EmFit, OneComponentSolvesTheTruncatedMeanEquation) {
  for (const Table& counts : {Table{10, 5, 2}, Table{2, 1}, tenClasses}) {
    double n = 0;
    double sumX = 0;
    for (std::size_t i = 0; i < counts.size(); ++i) {
      n += counts[i];
      sumX += static_cast<double>(i + 1) * counts[i];
    }
    Vec lambda{1.0};
    Vec weight{1.0};
    Matrix<double> posterior;
    FitCounters counters;
    emFit(counts, defaultEps, lambda, weight, lambda, weight, posterior, &counters);
    EXPECT_NEAR(truncatedMean(lambda[0]), sumX / n, 1e-7);
    EXPECT_EQ(weight[0], 1.0);
    ASSERT_EQ(posterior.rows(), static_cast<int>(counts.size()));
    for (int x = 1; x <= posterior.rows(); ++x) EXPECT_EQ(posterior(x, 1), 1.0);
    EXPECT_LE(counters.emPasses, 2);  // the second pass changes nothing
  }
  // (2, 1): N0 = 3 e^-lambda / (1 - e^-lambda).
  Vec lambda{1.0};
  Vec weight{1.0};
  Matrix<double> posterior;
  emFit(Table{2, 1}, defaultEps, lambda, weight, lambda, weight, posterior);
  const double e = std::exp(-lambda[0]);
  EXPECT_NEAR(estimateN0(Table{2, 1}, lambda, weight), 3.0 * e / (1.0 - e), 1e-9);
  EXPECT_NEAR(estimateNall(Table{2, 1}, lambda, weight), 3.0 / (1.0 - e), 1e-9);
}

TEST(EmFit, ExactnessOfOneOrMoreReturnsTheStartingValues) {
  const Vec lambdaIn{0.5, 3.0};
  const Vec weightIn{0.4, 0.6};
  for (const double eps : {1.0, 4.0}) {
    Vec lambda(2, -1.0);
    Vec weight(2, -1.0);
    Matrix<double> posterior(3, 1);
    posterior(2, 1) = 7.0;
    emFit(tenClasses, eps, lambdaIn, weightIn, lambda, weight, posterior);
    EXPECT_EQ(lambda, lambdaIn);
    EXPECT_EQ(weight, weightIn);
    EXPECT_EQ(posterior.rows(), 3);  // not even reshaped
    EXPECT_EQ(posterior(2, 1), 7.0);
  }
}

TEST(EmFit, OutputsMayBeTheInputStorage) {
  const Vec lambdaIn{0.5, 3.0};
  const Vec weightIn{0.4, 0.6};
  Vec lambda(2);
  Vec weight(2);
  Matrix<double> posterior;
  emFit(tenClasses, defaultEps, lambdaIn, weightIn, lambda, weight, posterior);
  Vec sameLambda = lambdaIn;
  Vec sameWeight = weightIn;
  Matrix<double> samePosterior;
  emFit(tenClasses, defaultEps, sameLambda, sameWeight, sameLambda, sameWeight, samePosterior);
  EXPECT_EQ(sameLambda, lambda);
  EXPECT_EQ(sameWeight, weight);
  EXPECT_EQ(samePosterior, posterior);
  EXPECT_NEAR(weight[0] + weight[1], 1.0, 1e-12);
}

TEST(EmFit, IdenticalComponentsStayIdentical) {
  Vec lambda{2.0, 2.0};
  Vec weight{0.5, 0.5};
  Matrix<double> posterior;
  emFit(Table{10, 5, 0, 2, 1}, defaultEps, lambda, weight, lambda, weight, posterior);
  EXPECT_EQ(lambda[0], lambda[1]);
  // Unequal weights keep their ratio; the means agree up to the rounding of
  // the single-precision sums.
  lambda = {2.0, 2.0};
  weight = {0.25, 0.75};
  emFit(Table{10, 5, 0, 2, 1}, defaultEps, lambda, weight, lambda, weight, posterior);
  EXPECT_NEAR(lambda[0], lambda[1], 1e-6 * lambda[0]);
  EXPECT_NEAR(weight[0] / weight[1], 1.0 / 3.0, 1e-12);
}

TEST(EmFit, ZeroWeightAndNegativeExactnessStayBounded) {
  // ln 0 - ln 0 is NaN: the posterior of that component is NaN, as IEEE
  // arithmetic has it, and the fit ends.
  Vec lambda{0.5, 2.0};
  Vec weight{0.0, 1.0};
  Matrix<double> posterior;
  emFit(Table{10, 5, 2}, defaultEps, lambda, weight, lambda, weight, posterior);
  EXPECT_TRUE(std::isnan(posterior(1, 1)));
  // No change is within a negative exactness: 5001 passes, each mean update
  // ending where its fixed point repeats.
  lambda = {2.3};
  weight = {1.0};
  FitCounters counters;
  emFit(tenClasses, -1.0, lambda, weight, lambda, weight, posterior, &counters);
  EXPECT_EQ(counters.emPasses, emIterationLimit + 1);
  EXPECT_LT(counters.meanUpdateSteps, 1000 * counters.emPasses);
}

TEST(UpdateLambdas, StartsFromOneWithSinglePrecisionSums) {
  Matrix<double> posterior(10, 2);
  double a1 = 0, b1 = 0, a2 = 0, b2 = 0;
  for (int x = 1; x <= 10; ++x) {
    posterior(x, 1) = 1.0 / (1.0 + 0.3 * x * x);
    posterior(x, 2) = 1.0 - posterior(x, 1);
    a1 += static_cast<double>(x * tenClasses[x - 1]) * posterior(x, 1);
    b1 += tenClasses[x - 1] * posterior(x, 1);
    a2 += static_cast<double>(x * tenClasses[x - 1]) * posterior(x, 2);
    b2 += tenClasses[x - 1] * posterior(x, 2);
  }
  const double tol = defaultEps * static_cast<double>(single::meanStepFactor);
  std::int64_t steps = 0;
  const double expected1 = referenceFixedPoint(static_cast<float>(a1), static_cast<float>(b1), tol, steps);
  const double expected2 = referenceFixedPoint(static_cast<float>(a2), static_cast<float>(b2), tol, steps);
  for (const double start : {1.0, 0.01, 5.0}) {  // whatever the means held before
    Vec lambda{start, start};
    updateLambdas(tenClasses, tol, posterior, lambda);
    EXPECT_TRUE(sameBits(lambda[0], expected1)) << start;
    EXPECT_TRUE(sameBits(lambda[1], expected2)) << start;
  }
  Vec lambda{0.3, 0.3};
  updateLambdas(tenClasses, 1.0, posterior, lambda);
  EXPECT_EQ(lambda, (Vec{1.0, 1.0}));
}

TEST(UpdateLambdas, FastLoopGivesTheBitsOfThePlainArithmetic) {
  // Means near zero (a/b just above 1) take the inlined exponential, the
  // others the library's; steps and results must agree bit for bit.
  std::mt19937 rng(20240611);
  std::uniform_real_distribution<float> nearOne(1.0f, 1.002f);
  std::uniform_real_distribution<float> wide(1.0f, 40.0f);
  std::uniform_real_distribution<float> scale(0.01f, 5000.0f);
  const double tols[] = {defaultEps * 0.005, 0.5 * defaultEps * 0.005, 1.0e-4, 1.0e-12};
  for (int i = 0; i < 240; ++i) {
    const float b = scale(rng);
    const float a = b * (i % 3 == 0 ? wide(rng) : nearOne(rng));
    std::int64_t expectedSteps = 0;
    const double expected = referenceFixedPoint(a, b, tols[i % 4], expectedSteps);
    std::int64_t steps = 0;
    ASSERT_TRUE(sameBits(truncatedMeanFixedPoint(a, b, tols[i % 4], steps), expected)) << a << " " << b;
    ASSERT_EQ(steps, expectedSteps);
  }
}

TEST(UpdateLambdas, InterleavedFixedPointsGiveEachSolvesBitsAndSteps) {
  // Sets of 1 to 9 chains (more than the interleave is wide, so lanes are
  // refilled) of very different lengths, mixing fused chains with plain ones
  // (sums below 2^-100), with and without a token that pauses them.
  std::mt19937 rng(20261209);
  std::uniform_real_distribution<float> nearOne(1.0f, 1.0001f);
  std::uniform_real_distribution<float> wide(1.0f, 40.0f);
  std::uniform_real_distribution<float> scale(0.01f, 5000.0f);
  std::stop_source source;
  const double tol = 0.5 * defaultEps * 0.005;
  for (int set = 0; set < 18; ++set) {
    const std::size_t k = 1 + static_cast<std::size_t>(set % 9);
    std::vector<float> a(k);
    std::vector<float> b(k);
    for (std::size_t j = 0; j < k; ++j) {
      b[j] = (set + j) % 7 == 3 ? 1.0e-35f : scale(rng);
      a[j] = b[j] * (j % 3 == 1 ? wide(rng) : nearOne(rng));
    }
    std::int64_t expectedSteps = 0;
    Vec expected(k);
    for (std::size_t j = 0; j < k; ++j) expected[j] = truncatedMeanFixedPoint(a[j], b[j], tol, expectedSteps);
    Vec lambda(k);
    std::int64_t steps = 0;
    truncatedMeanFixedPoints(a, b, tol, lambda, steps, set % 2 == 0 ? std::stop_token{} : source.get_token());
    for (std::size_t j = 0; j < k; ++j) EXPECT_TRUE(sameBits(lambda[j], expected[j])) << set << " " << j;
    EXPECT_EQ(steps, expectedSteps) << set;
  }
}

TEST(ExpectationStep, LanesGiveTheBitsOfTheOneValueLoop) {
  // Mixtures of 1 to 11 components (full and partial lane blocks), means
  // from near zero to far beyond the table (clamped exponents, the large
  // range of the exponential), a zero weight (NaN posteriors) now and then.
  std::mt19937 rng(99);
  std::uniform_real_distribution<double> logMean(std::log(1.0e-4), std::log(400.0));
  std::uniform_real_distribution<double> share(0.0, 1.0);
  HelperThreads two(2);
  HelperThreads three(3);
  for (int set = 0; set < 44; ++set) {
    const std::size_t k = 1 + static_cast<std::size_t>(set % 11);
    Vec lambda(k);
    Vec weight(k);
    for (std::size_t j = 0; j < k; ++j) {
      lambda[j] = std::exp(logMean(rng));
      weight[j] = set % 13 == 5 && j == 0 ? 0.0 : share(rng);
    }
    const int m = 1 + set * 7;
    Matrix<double> lanes(m, static_cast<int>(k));
    Matrix<double> scalar(m, static_cast<int>(k));
    expectationStep(lambda, weight, lanes);
    expectationStep(lambda, weight, scalar, false);
    // The classes shared among threads (the larger sets), on lanes and not.
    Matrix<double> shared(m, static_cast<int>(k));
    Matrix<double> sharedScalar(m, static_cast<int>(k));
    expectationStep(lambda, weight, shared, true, set % 2 == 0 ? &two : &three);
    expectationStep(lambda, weight, sharedScalar, false, &three);
    for (int x = 1; x <= m; ++x) {
      for (int j = 1; j <= static_cast<int>(k); ++j) {
        ASSERT_TRUE(sameBits(lanes(x, j), scalar(x, j))) << set << " " << x << " " << j;
        ASSERT_TRUE(sameBits(shared(x, j), scalar(x, j))) << set << " " << x << " " << j;
        ASSERT_TRUE(sameBits(sharedScalar(x, j), scalar(x, j))) << set << " " << x << " " << j;
      }
    }
  }
}

TEST(EmFit, SharingTheClassesAmongThreadsKeepsEveryBit) {
  // 72 long-tailed classes and eight components: 72 * 8^2 exponentials an
  // E-step, enough for the classes to be shared among the threads.
  std::vector<std::int32_t> counts(72);
  for (int x = 1; x <= 72; ++x) counts[x - 1] = static_cast<std::int32_t>(std::lround(900.0 * std::pow(0.93, x)) + x % 3);
  const Vec start{0.3, 1.0, 2.0, 5.0, 11.0, 20.0, 35.0, 60.0};
  const Vec startWeight(8, 0.125);
  const auto fit = [&](HelperThreads* helpers) {
    Vec lambda(8);
    Vec weight(8);
    Matrix<double> posterior;
    FitCounters counters;
    emFit(counts, 1.0e-2, start, startWeight, lambda, weight, posterior, &counters, {}, helpers);
    return std::tuple(lambda, weight, posterior, counters.emPasses, counters.meanUpdateSteps);
  };
  const auto alone = fit(nullptr);
  EXPECT_GT(std::get<3>(alone), 100);
  for (const int threads : {2, 3}) {
    HelperThreads helpers(threads);
    EXPECT_TRUE(fit(&helpers) == alone) << threads;
  }
}

TEST(UpdateLambdas, StepLimitEndsALoopThatCannotConverge) {
  // All mass in class 1 (a = b) sends the mean to zero like 2/n: no step is
  // within a negative tolerance, and no value repeats.
  std::int64_t steps = 0;
  EXPECT_TRUE(std::isfinite(truncatedMeanFixedPoint(1.0f, 1.0f, -1.0, steps)));
  EXPECT_EQ(steps, meanUpdateStepLimit);
  // The same worst case at the smallest tolerance of an exactness of
  // 1.0E-12 stays well below the limit.
  steps = 0;
  truncatedMeanFixedPoint(1.0f, 1.0f, 0.5 * 1.0e-12 * 0.005, steps);
  EXPECT_LT(steps, meanUpdateStepLimit / 3);
  steps = 0;
  EXPECT_EQ(truncatedMeanFixedPoint(2.0f, 1.0f, std::numeric_limits<double>::quiet_NaN(), steps), 1.0);
  EXPECT_EQ(steps, 0);
}

TEST(Likelihood, MatchesTheMixtureDensity) {
  const Table counts{120, 60, 30, 0, 15, 10, 8, 6, 4, 2};
  const Vec lambda{0.9, 4.9, 0.05};
  const Vec weight{0.6, 0.3, 0.1};
  double expected = 0;
  double s = 0;
  for (int j = 0; j < 3; ++j) s += weight[j] / (1.0 - std::exp(-lambda[j]));
  for (int x = 1; x <= 10; ++x) {
    double kernel = 0;  // x! g(x)
    for (int j = 0; j < 3; ++j) {
      kernel += weight[j] * std::pow(lambda[j], x) * std::exp(-lambda[j]) / (1.0 - std::exp(-lambda[j]));
    }
    expected += counts[x - 1] * (std::log(kernel) - std::lgamma(x + 1.0));
    EXPECT_NEAR(mixtureKernel(lambda, weight, x), kernel, 1e-12 * kernel);
  }
  EXPECT_NEAR(logLikelihood(counts, lambda, weight), expected, 1e-9 * std::fabs(expected));
  EXPECT_NEAR(estimateNall(counts, lambda, weight), 255.0 * s, 1e-9);
  EXPECT_NEAR(estimateN0(counts, lambda, weight), 255.0 * (s - 1.0), 1e-9);
}

TEST(UpdateLambdas, AStopTokenPausesTheFixedPointWithoutChangingABit) {
  // A token that is never requested pauses the loop every
  // meanUpdateCheckInterval steps: on the fused path (a mean near zero), on
  // the plain one (sums below 2^-100) and up to the step limit, which is no
  // multiple of three, each resumes to the same bits and steps. A request
  // ends the loop at the first pause.
  std::stop_source source;
  const double tol = 0.5 * defaultEps * 0.005;
  struct Case {
    float a;
    float b;
    double tol;
  };
  for (const Case c : {Case{1.0000001f, 1.0f, tol}, Case{1.0000001e-35f, 1.0e-35f, tol}, Case{1.0f, 1.0f, -1.0}}) {
    std::int64_t expectedSteps = 0;
    const double expected = truncatedMeanFixedPoint(c.a, c.b, c.tol, expectedSteps);
    ASSERT_GT(expectedSteps, 3 * meanUpdateCheckInterval) << c.a;
    std::int64_t steps = 0;
    EXPECT_TRUE(sameBits(truncatedMeanFixedPoint(c.a, c.b, c.tol, steps, source.get_token()), expected)) << c.a;
    EXPECT_EQ(steps, expectedSteps) << c.a;
  }
  source.request_stop();
  for (const float scale : {1.0f, 1.0e-35f}) {
    std::int64_t steps = 0;
    truncatedMeanFixedPoint(scale, scale, -1.0, steps, source.get_token());
    EXPECT_EQ(steps, meanUpdateCheckInterval) << scale;
  }
}

}  // namespace
}  // namespace tallyfold
