#include "estimation/EMtrun_alg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "common/SinglePrecision.h"
#include "data/CountTable.h"
#include "support/FinishesWithin.h"
#include "estimation/EMtrun.h"

namespace tallyfold {
namespace {

using Table = std::vector<std::int32_t>;
using Lines = std::vector<std::string>;

const double defaultEps = static_cast<double>(single::exactness);
const double gradientBound = static_cast<double>(single::gradientBound);
const Table tenClasses{120, 60, 30, 20, 15, 10, 8, 6, 4, 2};

constexpr StopCriterion npmle = StopCriterion::npmle, bic = StopCriterion::bic, maxK = StopCriterion::max;

struct SearchRun {
  SearchResult result;
  Lines log;
};

SearchRun search(const Table& counts, double eps, StopCriterion criterion, std::int32_t maxComponents = 2,
                 bool record = true) {
  SearchRun run;
  run.result = componentSearch(counts, SearchSettings{eps, criterion, maxComponents}, record,
                               [&run](const std::string& line) { run.log.push_back(line); });
  return run;
}

long countOf(const Lines& log, const std::string& line) { return std::count(log.begin(), log.end(), line); }

double directGradient(double theta, const Table& counts, const std::vector<double>& lambda,
                      const std::vector<double>& weight) {
  const auto p = [](int x, double l) {
    return std::exp(x * std::log(l) - l - std::lgamma(x + 1.0)) / (1.0 - std::exp(-l));
  };
  double sum = 0;
  double n = 0;
  for (int x = 1; x <= static_cast<int>(counts.size()); ++x) {
    double g = 0;
    for (std::size_t j = 0; j < lambda.size(); ++j) g += weight[j] * p(x, lambda[j]);
    sum += counts[x - 1] * p(x, theta) / g;
    n += counts[x - 1];
  }
  return sum / n;
}

TEST(GradientFunction, IsTheLikelihoodDirectionalDerivative) {
  const std::vector<double> lambda{0.9, 4.9};
  const std::vector<double> weight{0.7, 0.3};
  for (const double theta : {1.0e-3, 0.3, 1.0, 2.5, 7.0, 11.0}) {
    const double d = gradientFunction(theta, tenClasses, lambda, weight);
    EXPECT_NEAR(d, directGradient(theta, tenClasses, lambda, weight), 1e-10 * d);
    // The slope is its derivative in theta.
    const double h = 1e-6 * theta;
    const double numeric = (gradientFunction(theta + h, tenClasses, lambda, weight) -
                            gradientFunction(theta - h, tenClasses, lambda, weight)) /
                           (2 * h);
    EXPECT_NEAR(gradientSlope(theta, tenClasses, lambda, weight), numeric, 1e-5 * (1.0 + std::fabs(numeric)))
        << theta;
  }
  // At a component mean of a one-component fit D is exactly the mean of 1.
  EXPECT_NEAR(gradientFunction(2.0, tenClasses, std::vector<double>{2.0}, std::vector<double>{1.0}), 1.0, 1e-14);
}

TEST(GradientFunction, ExponentsAbove700BecomeSixHundredNinetyNine) {
  // p(1; 1.0E-8) / p(1; theta) has the log t = theta - ln theta + ... > 700
  // at theta = 750, and 2 ln(e^theta - 1) > 700 in the slope at 360: both
  // are computed with e^699 and stay finite.
  const Table counts{5};
  const std::vector<double> lambda{1.0e-8};
  const std::vector<double> weight{1.0};
  EXPECT_EQ(gradientFunction(750.0, counts, lambda, weight), (5.0 / std::exp(699.0)) / 5.0);
  const double mx = (1.0 - 360.0) * std::exp(360.0) - 1.0;
  EXPECT_EQ(gradientSlope(360.0, counts, lambda, weight), (5.0 / (std::exp(699.0) / mx)) / 5.0);
}

TEST(GradientFunction, LanesGiveTheBitsOfTheOneClassLoop) {
  // The gradient function and its slope, formed one class at a time with the
  // library's exponential as written below, against the search's (four
  // classes at a time where the processor can): tables of 1 to 300 classes
  // (partial lane blocks), means and theta from near zero to beyond m.
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> logMean(std::log(1.0e-6), std::log(400.0));
  std::uniform_int_distribution<std::int32_t> count(0, 300);
  for (int set = 0; set < 24; ++set) {
    const std::size_t m = 1 + static_cast<std::size_t>(set * set) % 300;
    Table counts(m);
    for (auto& f : counts) f = count(rng);
    counts[0] = 1 + count(rng);
    const std::size_t k = 1 + static_cast<std::size_t>(set % 7);
    std::vector<double> lambda(k);
    std::vector<double> weight(k, 1.0 / static_cast<double>(k));
    for (auto& l : lambda) l = std::exp(logMean(rng));
    const double n = static_cast<double>(observedUnits(counts));
    for (int point = 0; point < 6; ++point) {
      const double theta = std::exp(logMean(rng));
      const double lnTheta = std::log(theta);
      const double lnTTheta = std::log(1.0 - std::exp(-theta));
      const double e = std::exp(theta);
      const double twoLnEm1 = 2.0 * std::log(e - 1.0);
      double value = 0.0;
      double slope = 0.0;
      for (std::size_t i = 0; i < m; ++i) {
        const double xd = static_cast<double>(i + 1);
        const double mx = (xd - theta) * e - xd;
        double sv = 0.0;
        double ss = 0.0;
        for (std::size_t j = 0; j < k; ++j) {
          const double base = xd * std::log(lambda[j]) - std::log(1.0 - std::exp(-lambda[j])) - lambda[j];
          const double tv = base + theta - xd * lnTheta + lnTTheta;
          const double ts = base + twoLnEm1 - (xd - 1.0) * lnTheta;
          sv += weight[j] * std::exp(tv > 700.0 ? 699.0 : tv);
          ss += weight[j] * std::exp(ts > 700.0 ? 699.0 : ts) / mx;
        }
        value += static_cast<double>(counts[i]) / sv;
        slope += static_cast<double>(counts[i]) / ss;
      }
      const double d = gradientFunction(theta, counts, lambda, weight);
      const double ds = gradientSlope(theta, counts, lambda, weight);
      ASSERT_EQ(std::memcmp(&d, &(value /= n), sizeof d), 0) << set << " " << theta;
      ASSERT_EQ(std::memcmp(&ds, &(slope /= n), sizeof ds), 0) << set << " " << theta;
    }
  }
}

TEST(GradientSearch, LastGridIntervalIsNotExamined) {
  // Units seen once or 120 times: against a Poisson of mean 1, D rises up to
  // its peak near 120, which lies in the last grid interval [119.79, 121]
  // and is not searched; the value next to zero stands.
  Table counts(120, 0);
  counts.front() = 10;
  counts.back() = 10;
  const std::vector<double> lambda{1.0};
  const std::vector<double> weight{1.0};
  double candidate = 0;
  double maxGradient = 0;
  maxGradientSearch(counts, lambda, weight, candidate, maxGradient, defaultEps / 2);
  EXPECT_EQ(candidate, static_cast<double>(single::zeroCandidate));
  EXPECT_EQ(maxGradient, gradientFunction(static_cast<double>(single::nearZero), counts, lambda, weight));
  EXPECT_GT(gradientFunction(120.0, counts, lambda, weight), 1e100);
}

TEST(GradientSearch, TiesGoToTheRoot) {
  // Units seen twice only, against a Poisson of mean 740: p(2; theta) / g(2)
  // overflows at every theta, so D is +inf next to zero and at the one root
  // of D', where p(2; theta) peaks ((2 - theta) e^theta = 2). The tie goes
  // to the root.
  const Table counts{0, 5};
  const std::vector<double> lambda{740.0};
  const std::vector<double> weight{1.0};
  ASSERT_EQ(gradientFunction(static_cast<double>(single::nearZero), counts, lambda, weight),
            std::numeric_limits<double>::infinity());
  double candidate = 0;
  double maxGradient = 0;
  maxGradientSearch(counts, lambda, weight, candidate, maxGradient, defaultEps / 2);
  EXPECT_EQ(maxGradient, std::numeric_limits<double>::infinity());
  EXPECT_NEAR((2.0 - candidate) * std::exp(candidate), 2.0, 1e-9);
}

TEST(GradientSearch, FindsTheLargestLocalMaximum) {
  // One-component fit of the ten-class table.
  std::vector<double> lambda{1.0};
  std::vector<double> weight{1.0};
  Matrix<double> posterior;
  emFit(tenClasses, defaultEps, lambda, weight, lambda, weight, posterior);
  EXPECT_NEAR(lambda[0], 2.3089, 1e-4);
  double candidate = 0;
  double maxGradient = 0;
  maxGradientSearch(tenClasses, lambda, weight, candidate, maxGradient, defaultEps / 2);
  EXPECT_NEAR(maxGradient, 12.0094, 1e-4);
  EXPECT_EQ(gradientFunction(candidate, tenClasses, lambda, weight), maxGradient);
  EXPECT_LT(std::fabs(gradientSlope(candidate, tenClasses, lambda, weight)), defaultEps / 2);
  for (double theta = 0.05; theta < 11.0; theta += 0.05) {
    EXPECT_LE(gradientFunction(theta, tenClasses, lambda, weight), maxGradient);
  }
}

TEST(GradientSearch, BisectionFindsOneRootPerInterval) {
  const std::vector<double> lambda{0.9, 4.9};
  const std::vector<double> weight{0.7, 0.3};
  // Brackets of D' from non-negative to negative on a grid.
  std::vector<std::array<double, 2>> intervals;
  for (double a = 0.05; a < 11.0; a += 0.05) {
    if (gradientSlope(a, tenClasses, lambda, weight) >= 0 && gradientSlope(a + 0.05, tenClasses, lambda, weight) < 0) {
      intervals.push_back({a, a + 0.05});
    }
  }
  ASSERT_FALSE(intervals.empty());
  std::vector<double> roots(intervals.size(), -1.0);
  bisectSlopeRoots(intervals, roots, tenClasses, lambda, weight, 1e-9);
  for (std::size_t i = 0; i < roots.size(); ++i) {
    EXPECT_GT(roots[i], intervals[i][0]);
    EXPECT_LT(roots[i], intervals[i][1]);
    EXPECT_LT(std::fabs(gradientSlope(roots[i], tenClasses, lambda, weight)), 1e-9);
  }
  // A tolerance above every value of D' accepts the first midpoint.
  bisectSlopeRoots(intervals, roots, tenClasses, lambda, weight, 5.0);
  EXPECT_EQ(roots[0], intervals[0][0] + (intervals[0][1] - intervals[0][0]) * 0.5);
}

TEST(Exchange, ReplacesTheComponentThatGainsMostAndKeepsTheLowerOnTies) {
  const std::vector<double> weight{0.5, 0.5};
  // Equal components: every replacement gives the same likelihood.
  EXPECT_EQ(bestReplacement(tenClasses, std::vector<double>{2.0, 2.0}, weight, 5.0), 1);
  // A useless component at 40 is the one to move.
  EXPECT_EQ(bestReplacement(tenClasses, std::vector<double>{1.0, 40.0}, weight, 4.0), 2);
  EXPECT_EQ(bestReplacement(tenClasses, std::vector<double>{40.0, 1.0}, weight, 4.0), 1);
  const std::vector<double> three{1.0, 3.0, 40.0};
  EXPECT_EQ(bestReplacement(tenClasses, three, std::vector<double>{0.4, 0.3, 0.3}, 6.0), 3);
}

TEST(NewComponent, WeightIsTheRootOfTheScore) {
  const std::vector<double> lambda{2.3089};
  const std::vector<double> weight{1.0};
  const double candidate = 0.2;
  // The score at 0 is sum f (h*/h - 1).
  double atZero = 0;
  for (int x = 1; x <= 10; ++x) {
    atZero += tenClasses[x - 1] * (mixtureKernel(std::vector<double>{candidate}, std::vector<double>{1.0}, x) /
                                       mixtureKernel(lambda, weight, x) -
                                   1.0);
  }
  EXPECT_NEAR(weightScore(tenClasses, lambda, weight, candidate, 0.0), atZero, 1e-9 * std::fabs(atZero));
  const double alpha = newComponentWeight(tenClasses, lambda, weight, candidate, defaultEps);
  EXPECT_GT(alpha, 0.0);
  EXPECT_LT(alpha, 1.0);
  EXPECT_LT(std::fabs(weightScore(tenClasses, lambda, weight, candidate, alpha)), defaultEps);
}

TEST(Search, SmallTableFinishesWithOnePoisson) {
  const SearchRun run = search(Table{10, 5, 2}, defaultEps, maxK);
  const Lines expected{" ----------- Start EMGFU---------", " ", " **** Start EM ****",
                       " Maximum of Gradient Function", "      1.000000", " "};
  EXPECT_EQ(run.log, expected);
  const SearchResult& r = run.result;
  ASSERT_TRUE(r.estimable);
  ASSERT_EQ(r.numComponents, 1);
  EXPECT_NEAR(r.lambda[0] / (1.0 - std::exp(-r.lambda[0])), 26.0 / 17.0, 1e-8);
  EXPECT_NEAR(r.lambda[0], 0.9198, 1e-4);
  ASSERT_EQ(r.records.size(), 1u);
  EXPECT_EQ(r.records[0].n0, 11.0);
  EXPECT_EQ(r.records[0].nall, 28.0);
  EXPECT_EQ(r.bestBic, r.records[0].bic);
  EXPECT_EQ(r.posterior.rows(), 3);
}

TEST(Search, TwoComponentsUnderMax) {
  const SearchRun run = search(tenClasses, defaultEps, maxK, 2);
  const SearchResult& r = run.result;
  ASSERT_EQ(r.numComponents, 2);
  ASSERT_EQ(r.records.size(), 2u);
  EXPECT_NEAR(r.records[0].lambda[0], 2.3089, 1e-4);
  EXPECT_NEAR(r.records[0].maxGradient, 12.0094, 1e-4);
  EXPECT_EQ(r.records[0].n0, 30.0);
  EXPECT_EQ(r.records[0].nall, 305.0);
  EXPECT_NEAR(r.lambda[0], 0.9368, 1e-4);
  EXPECT_NEAR(r.lambda[1], 4.9063, 1e-4);
  EXPECT_NEAR(r.weight[0], 0.6993, 1e-4);
  EXPECT_NEAR(r.weight[1], 0.3007, 1e-4);
  EXPECT_NEAR(r.maxGradient, 1.0074, 1e-4);
  EXPECT_EQ(r.records[1].n0, 125.0);
  EXPECT_EQ(r.records[1].nall, 400.0);
  EXPECT_EQ(r.records[1].lambda, r.lambda);
  EXPECT_EQ(r.bestBic, r.records[1].bic);
  // The log of both passes, with the gradient maximum as a bare (F14.6).
  const std::string dashes = " " + std::string(28, '-');
  const Lines pass1{" ", " **** Start EM ****", " Maximum of Gradient Function", "     12.009357", " ", dashes,
                    " n0= 30", " nall= 305", dashes, " Add next component", " -------------------", " "};
  const Lines pass2{" ", " **** Start EM ****", " Maximum of Gradient Function", "      1.007441", " ", dashes,
                    " n0= 125", " nall= 400", dashes};
  Lines expected{" ----------- Start EMGFU---------"};
  expected.insert(expected.end(), pass1.begin(), pass1.end());
  expected.insert(expected.end(), pass2.begin(), pass2.end());
  EXPECT_EQ(run.log, expected);
}

TEST(Search, NpmleAndBicOnTheTenClassTable) {
  const SearchRun npmleRun = search(tenClasses, defaultEps, npmle);
  const SearchResult& n = npmleRun.result;
  ASSERT_EQ(n.numComponents, 3);
  ASSERT_EQ(n.records.size(), 3u);
  EXPECT_LT(n.maxGradient, gradientBound);
  EXPECT_GE(countOf(npmleRun.log, " Changing step"), 1);
  EXPECT_EQ(n.records[2].n0, 169.0);
  EXPECT_EQ(n.records[2].nall, 444.0);
  EXPECT_NEAR(n.records[2].bic, 943.79, 0.005);
  EXPECT_NEAR(n.records[1].bic, 939.39, 0.005);
  // The new component is appended after the two earlier ones.
  EXPECT_EQ(n.records[2].lambda, n.lambda);
  EXPECT_EQ(n.bestBic, n.records[2].bic);

  // Under BIC the same path records the third fit, finds it worse and
  // restores the two-component fit exactly.
  const SearchRun bicRun = search(tenClasses, defaultEps, bic);
  const SearchResult& b = bicRun.result;
  EXPECT_EQ(bicRun.log, npmleRun.log);
  ASSERT_EQ(b.numComponents, 2);
  ASSERT_EQ(b.records.size(), 3u);
  EXPECT_EQ(b.lambda, b.records[1].lambda);
  EXPECT_EQ(b.weight, b.records[1].weight);
  EXPECT_EQ(b.bestBic, b.records[1].bic);
  EXPECT_EQ(b.posterior.cols(), 2);
  EXPECT_EQ(b.maxGradient, n.maxGradient);
}

TEST(Search, BicFallsBackBeforeRecordingAWorseFit) {
  // Two components raise the likelihood too little for BIC while the
  // gradient test still fails: the one-component fit comes back.
  const Table counts{47, 64, 43, 45, 20, 3, 5, 1, 0, 0, 0, 0, 0, 0, 0};
  const SearchRun run = search(counts, defaultEps, bic);
  const SearchResult& r = run.result;
  ASSERT_EQ(r.numComponents, 1);
  ASSERT_EQ(r.records.size(), 1u);
  EXPECT_GE(r.records[0].maxGradient, gradientBound);
  EXPECT_EQ(r.lambda, r.records[0].lambda);
  EXPECT_EQ(r.weight, r.records[0].weight);
  EXPECT_EQ(r.bestBic, r.records[0].bic);
  for (int x = 1; x <= r.posterior.rows(); ++x) EXPECT_EQ(r.posterior(x, 1), 1.0);
  EXPECT_EQ(countOf(run.log, " **** Start EM ****"), 2);
  EXPECT_EQ(countOf(run.log, " Add next component"), 1);
}

TEST(Search, CoarseExactnessEndsRightAfterAddingAComponentNearZero) {
  const SearchRun run = search(tenClasses, 0.01, npmle);
  const SearchResult& r = run.result;
  ASSERT_EQ(r.numComponents, 3);
  ASSERT_EQ(r.records.size(), 2u);
  EXPECT_EQ(r.lambda[2], static_cast<double>(single::zeroCandidate));
  EXPECT_NEAR(r.maxGradient, 1.006, 5e-4);
  EXPECT_EQ(r.lambda[0], r.records[1].lambda[0]);
  EXPECT_NEAR(r.weight[0] + r.weight[1] + r.weight[2], 1.0, 1e-12);
  // The extended mixture has not been fitted: its posterior is all zero.
  ASSERT_EQ(r.posterior.cols(), 3);
  for (int x = 1; x <= 10; ++x) {
    for (int j = 1; j <= 3; ++j) EXPECT_EQ(r.posterior(x, j), 0.0);
  }
  EXPECT_EQ(run.log.back(), " ");
  EXPECT_EQ(run.log[run.log.size() - 3], " Add next component");
}

TEST(Search, TwentyFirstPassEndsTheSearch) {
  // The gradient maximum settles near 1.0006, above 1 + eps, while every pass
  // adds a component: the 21st pass ends the search with 21 recorded fits and
  // the unfitted extension of 22 components.
  const double eps = 4.0e-4;
  const SearchRun run = search(Table{222, 4, 222, 28, 66, 12, 1, 0, 7, 15, 0}, eps, npmle);
  const SearchResult& r = run.result;
  EXPECT_EQ(countOf(run.log, " **** Start EM ****"), 21);
  EXPECT_EQ(countOf(run.log, " Add next component"), 21);
  ASSERT_EQ(r.records.size(), 21u);
  EXPECT_EQ(r.records.back().lambda.size(), 21u);
  EXPECT_GT(r.records.back().maxGradient - 1.0, eps);
  EXPECT_EQ(r.numComponents, 22);
  EXPECT_EQ(r.posterior.cols(), 22);
  EXPECT_EQ(run.log[run.log.size() - 3], " Add next component");
}

TEST(Search, ExactnessOfFourOrMoreDoesNotEnterThePassLoop) {
  for (const double eps : {4.0, 100.0}) {
    const SearchRun run = search(tenClasses, eps, npmle);
    EXPECT_EQ(run.log, Lines{" ----------- Start EMGFU---------"});
    EXPECT_TRUE(run.result.estimable);
    EXPECT_EQ(run.result.numComponents, 1);
    EXPECT_EQ(run.result.lambda, std::vector<double>{1.0});
    EXPECT_EQ(run.result.weight, std::vector<double>{1.0});
    EXPECT_TRUE(run.result.records.empty());
    EXPECT_EQ(run.result.maxGradient, 5.0);
    EXPECT_TRUE(std::isnan(run.result.bestBic));
  }
}

TEST(Search, MaxOfOneComponent) {
  // The gradient test fails: return after the estimate lines, nothing added.
  const SearchRun run = search(tenClasses, defaultEps, maxK, 1);
  EXPECT_EQ(run.result.numComponents, 1);
  EXPECT_EQ(run.result.records.size(), 1u);
  EXPECT_EQ(countOf(run.log, " nall= 305"), 1);
  EXPECT_EQ(countOf(run.log, " Add next component"), 0);
  EXPECT_EQ(run.log.back(), " " + std::string(28, '-'));
  // The gradient test holds: Finish.
  const SearchRun small = search(Table{10, 5, 2}, defaultEps, maxK, 1);
  EXPECT_EQ(small.result.numComponents, 1);
  EXPECT_EQ(countOf(small.log, " n0= 11"), 0);
}

TEST(Search, MaxBelowOneNeverMatches) {
  const Table counts{47, 64, 43, 45, 20, 3, 5, 1, 0, 0, 0, 0, 0, 0, 0};
  const SearchRun zero = search(counts, defaultEps, maxK, 0);
  EXPECT_EQ(zero.log, search(counts, defaultEps, npmle).log);
  EXPECT_LT(zero.result.maxGradient, gradientBound);
}

TEST(Search, UnusableTablesAreNotEstimated) {
  for (const Table& counts : {Table{}, Table{0, 0}, Table{5, -1, 3}}) {
    const SearchRun run = search(counts, defaultEps, npmle);
    EXPECT_FALSE(run.result.estimable);
    EXPECT_TRUE(run.log.empty());
    EXPECT_TRUE(run.result.records.empty());
    EXPECT_EQ(run.result.counters.emPasses, 0);
  }
  // A table whose units were all seen once carries no information about
  // the means (the likelihood grows as the mean goes to zero): no fit, and
  // the reason in words, whatever the criterion.
  for (const Table& counts : {Table{25}, Table{7, 0, 0}}) {
    for (const StopCriterion criterion : {npmle, bic, maxK}) {
      const SearchRun run = search(counts, defaultEps, criterion);
      EXPECT_FALSE(run.result.estimable);
      EXPECT_EQ(run.result.problem, noMixtureInformation);
      EXPECT_TRUE(run.result.records.empty());
    }
  }
}

TEST(Search, ConcurrentSearchesDoNotInterfere) {
  const SearchRun alone = search(tenClasses, defaultEps, npmle);
  const SearchRun otherAlone = search(Table{47, 64, 43, 45, 20, 3, 5, 1}, defaultEps, maxK, 3);
  SearchRun first;
  SearchRun second;
  std::thread a([&] { first = search(tenClasses, defaultEps, npmle); });
  std::thread b([&] { second = search(Table{47, 64, 43, 45, 20, 3, 5, 1}, defaultEps, maxK, 3); });
  a.join();
  b.join();
  EXPECT_EQ(first.log, alone.log);
  EXPECT_EQ(first.result.lambda, alone.result.lambda);
  EXPECT_EQ(first.result.weight, alone.result.weight);
  EXPECT_EQ(first.result.posterior, alone.result.posterior);
  EXPECT_EQ(first.result.counters.meanUpdateSteps, alone.result.counters.meanUpdateSteps);
  EXPECT_EQ(second.log, otherAlone.log);
  EXPECT_EQ(second.result.lambda, otherAlone.result.lambda);
  EXPECT_EQ(second.result.weight, otherAlone.result.weight);
}

TEST(Search, AcceptedNpmleFitsPassTheGradientTestOnRandomTables) {
  std::mt19937 rng(7);
  int accepted = 0;
  for (int t = 0; t < 30; ++t) {
    const int m = 3 + static_cast<int>(rng() % 10);
    Table counts(static_cast<std::size_t>(m));
    for (int x = 0; x < m; ++x) {
      std::uniform_int_distribution<int> count(0, 200 >> std::min(x, 6));
      counts[static_cast<std::size_t>(x)] = count(rng);
    }
    counts[0] += 1;
    const SearchResult r = componentSearch(counts, SearchSettings{defaultEps, npmle, 2}, true, LogSink());
    ASSERT_TRUE(r.estimable);
    if (r.numComponents != static_cast<std::int32_t>(r.records.size())) continue;  // ended unfitted
    ++accepted;
    EXPECT_LT(r.maxGradient, gradientBound) << t;
    double weightSum = 0;
    for (std::size_t j = 0; j < r.weight.size(); ++j) {
      EXPECT_GT(r.lambda[j], 0.0);
      EXPECT_GE(r.weight[j], 0.0);
      weightSum += r.weight[j];
    }
    EXPECT_NEAR(weightSum, 1.0, 1e-9);
    const double logLik = r.records.back().logLik;
    EXPECT_EQ(logLik, logLikelihood(counts, r.lambda, r.weight));
    for (std::size_t s = 0; s + 1 < r.records.size(); ++s) {
      EXPECT_EQ(r.records[s].lambda.size(), s + 1);
      EXPECT_GE(logLik, r.records[s].logLik - 1e-7) << t;
    }
    // No point of D on a fine grid rises above the bound.
    for (double theta = 0.01; theta <= m + 1.0; theta += 0.01) {
      ASSERT_LT(gradientFunction(theta, counts, r.lambda, r.weight), gradientBound + 1e-6) << t << " " << theta;
    }
  }
  EXPECT_GE(accepted, 25);
}

// Its NPMLE search runs for about eleven minutes.
const Table elevenClasses{222, 4, 222, 28, 66, 12, 1, 0, 7, 15, 0};

TEST(Search, AStopRequestEndsTheSearchPromptly) {
  using Clock = std::chrono::steady_clock;
  const SearchSettings settings{defaultEps, npmle, 2};
  std::stop_source early;
  early.request_stop();
  Lines log;
  const SearchResult before =
      componentSearch(elevenClasses, settings, true, [&](const std::string& line) { log.push_back(line); },
                      early.get_token());
  EXPECT_TRUE(before.stopped);
  EXPECT_TRUE(log.empty());

  SearchResult result;
  Clock::time_point done;
  std::jthread worker([&](std::stop_token stop) {
    result = componentSearch(elevenClasses, settings, true, {}, stop);
    done = Clock::now();
  });
  std::this_thread::sleep_for(std::chrono::seconds(1));
  const Clock::time_point requested = Clock::now();
  worker.request_stop();
  finishesWithin(std::chrono::seconds(30), "the stopped search", [&] {
    worker.join();
    return 0;
  });
  EXPECT_TRUE(result.stopped);
  const double latency = std::chrono::duration<double>(done - requested).count();
  RecordProperty("stopLatencyMicroseconds", static_cast<int>(latency * 1e6));
  EXPECT_LT(latency, 2.0);
}

TEST(Search, StoppingOneSearchLeavesAConcurrentOneAsASerialRun) {
  const SearchRun serial = search(tenClasses, defaultEps, npmle);
  SearchResult stopped;
  std::jthread longRun([&](std::stop_token stop) {
    stopped = componentSearch(elevenClasses, SearchSettings{defaultEps, npmle, 2}, false, {}, stop);
  });
  std::stop_source never;  // pauses every fixed point, is never requested
  SearchRun concurrent;
  std::jthread other([&] {
    concurrent.result = componentSearch(tenClasses, SearchSettings{defaultEps, npmle, 2}, true,
                                        [&](const std::string& line) { concurrent.log.push_back(line); },
                                        never.get_token());
  });
  other.join();
  longRun.request_stop();
  longRun.join();
  EXPECT_TRUE(stopped.stopped);
  EXPECT_FALSE(concurrent.result.stopped);
  EXPECT_EQ(concurrent.log, serial.log);
  EXPECT_EQ(concurrent.result.lambda, serial.result.lambda);
  EXPECT_EQ(concurrent.result.weight, serial.result.weight);
  EXPECT_EQ(concurrent.result.posterior, serial.result.posterior);
  EXPECT_EQ(concurrent.result.records.size(), serial.result.records.size());
  EXPECT_EQ(concurrent.result.counters.emPasses, serial.result.counters.emPasses);
  EXPECT_EQ(concurrent.result.counters.meanUpdateSteps, serial.result.counters.meanUpdateSteps);
}

}  // namespace
}  // namespace tallyfold
