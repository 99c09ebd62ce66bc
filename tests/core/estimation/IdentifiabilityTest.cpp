#include "estimation/Identifiability.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "estimation/EMtrun.h"
#include "estimation/EMtrun_alg.h"
#include "estimation/MixtureCertificate.h"

namespace tallyfold {
namespace {

using Table = std::vector<std::int32_t>;

SearchResult npmle(const Table& counts) { return componentSearch(counts, SearchSettings{1.0e-7, StopCriterion::npmle, 5}, false, {}); }

TEST(IdentifiabilityTest, GradientAtZeroIsTheLimitOfTheGradientFunction) {
  const Table counts{120, 60, 30, 20, 15, 10, 8, 6, 4, 2};
  const std::vector<double> lambda{0.9368, 4.9063};
  const std::vector<double> weight{0.6993, 0.3007};
  const Identifiability id = identifiability(counts, lambda, weight);
  // gradientFunction forms ln(1 - e^-theta) directly: at 1e-9 that keeps about 7 digits.
  EXPECT_NEAR(id.gradientAtZero, gradientFunction(1e-9, counts, lambda, weight), 1e-7);
  // N0 of a component is n w e^-l / (1 - e^-l); no mean is below 0.1.
  const double first = 275 * 0.6993 * std::exp(-0.9368) / (1 - std::exp(-0.9368));
  EXPECT_NEAR(id.smallestMeanShare, first / estimateN0(counts, lambda, weight), 1e-12);
  EXPECT_EQ(id.lowMeanShare, 0.0);
  EXPECT_FALSE(id.notIdentified);
}

// Tables drawn with drawFromPoissonMixture(k, lambda, weight, 1, N, RandomStream(4711)),
// the zero class dropped, fitted by the NPMLE search.
TEST(IdentifiabilityTest, FlagRaisedOnlyWhereTheFitPutsNZeroAtTheBoundary) {
  // k = 10, means (0.05, 2), weights (0.5, 0.5), N = 1000: the NPMLE puts a
  // component next to 0 that carries nearly all of N0.
  const Table halfUnseen{165, 113, 89, 54, 12, 2, 1, 1};
  // k = 10, a single Poisson of mean 2, N = 500.
  const Table poisson{123, 143, 87, 49, 23, 12, 3};
  // k = 16, means (1, 5), weights (0.7, 0.3), N = 1000.
  const Table twoMeans{282, 168, 77, 62, 64, 46, 25, 21, 6, 5, 2};

  const SearchResult boundary = npmle(halfUnseen);
  const Identifiability flagged = identifiability(halfUnseen, boundary.lambda, boundary.weight);
  EXPECT_TRUE(flagged.notIdentified);
  EXPECT_LE(flagged.smallestMean, boundaryMeanLimit);
  EXPECT_GT(flagged.lowMeanShare, 0.99);
  EXPECT_NEAR(flagged.gradientAtZero, 1.0, 1e-4);

  for (const Table& counts : {poisson, twoMeans}) {
    const SearchResult fit = npmle(counts);
    const Identifiability id = identifiability(counts, fit.lambda, fit.weight);
    EXPECT_FALSE(id.notIdentified);
    EXPECT_GT(id.smallestMean, lowMeanLimit);
    EXPECT_LT(id.gradientAtZero, 1.0);
  }
}

TEST(IdentifiabilityTest, CertificateBoundsTheGainOfTheBestMixture) {
  const Table counts{120, 60, 30, 20, 15, 10, 8, 6, 4, 2};
  const SearchResult best = npmle(counts);
  const double bestLogLik = logLikelihood(counts, best.lambda, best.weight);
  const std::vector<double> one{1.0};
  const std::vector<double> lambda{2.3089};  // the one-component fit
  double candidate = 0;
  double maxGradient = 0;
  maxGradientSearch(counts, lambda, one, candidate, maxGradient, 0.5e-7);
  const LikelihoodCertificate c = likelihoodCertificate(counts, lambda, one, maxGradient);
  EXPECT_NEAR(c.gap, 275 * (maxGradient - 1), 1e-9);
  EXPECT_GE(c.upperBound, bestLogLik);
  EXPECT_LT(c.logLik, bestLogLik);
  // At the NPMLE the bound closes: n (1.00001 - 1) at most.
  const LikelihoodCertificate atBest = likelihoodCertificate(counts, best.lambda, best.weight, best.maxGradient);
  EXPECT_LE(atBest.gap, 275 * 1.00001e-5);
  EXPECT_EQ(likelihoodCertificate(counts, lambda, one, 0.5).gap, 0.0);
}

}  // namespace
}  // namespace tallyfold
