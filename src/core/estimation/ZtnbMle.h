#pragma once
// Maximum-likelihood fit of a zero-truncated negative binomial to a count
// table f(1..m), and the population size it implies, N = n / (1 - P(0)).
//
// The truncated log-likelihood L(r, mu) = sum f(x) ln(P(x) / (1 - P(0)))
// (x! included, as the system's likelihoods) is maximised by profiling over
// the size r: for each r the mean has one optimum, the root of
// mu / (1 - P(0)) = average count (truncatedNegBinMean), and the profile
// L(r, mu(r)) is searched over ln r. This is the model of the
// negative-binomial estimators of the number of unseen units (Cruyff & van
// der Heijden 2008, "Point and interval estimation of the population size
// using a zero-truncated negative binomial regression model", Biometrical
// J. 50), with no covariates.
//
// The profile need not have an interior maximum. Two such tables are
// reported as what they are, never as numbers:
//   poisson limit: L rises as r grows without bound (the table shows no
//     more spread than a Poisson; underdispersed tables always do); the
//     fit is the zero-truncated Poisson, whose N is reported.
//   unbounded: L rises as r goes to 0 (the law tends to the logarithmic
//     series, whose P(0) is 1): no finite N.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tallyfold {

enum class ZtnbStatus {
  estimated,     // an interior maximum: size, mean, logLik, n0
  poissonLimit,  // the zero-truncated Poisson: mean, logLik, n0 (no size)
  unbounded,     // no finite N: nothing but n
  notEstimable,  // the table cannot be fitted (problem says why): nothing but n
};

struct ZtnbFit {
  ZtnbStatus status = ZtnbStatus::notEstimable;
  std::string problem;          // for notEstimable, in words for the user (mixtureProblem)
  std::optional<double> size;   // r
  std::optional<double> mean;   // mu of the untruncated law (the Poisson mean in the limit)
  std::optional<double> logLik;
  std::optional<double> n0;     // n P(0) / (1 - P(0)), not rounded
  std::int64_t n = 0;           // observed units
};

// The profile is searched for sizes in [ztnbSizeLowest, ztnbSizeHighest]; a
// maximum at either end (within ztnbLikelihoodTolerance) is the boundary
// case of that end. At r = 1e7 a negative binomial with a mean of the
// order of the table's differs from the Poisson by a variance excess of
// mu^2 / r < 1e-5 mu, far below what any table of counts can show; below
// r = 1e-4 it is the logarithmic series to the same degree.
inline constexpr double ztnbSizeLowest = 1e-4;
inline constexpr double ztnbSizeHighest = 1e7;
inline constexpr double ztnbLikelihoodTolerance = 1e-9;

ZtnbFit ztnbMle(std::span<const std::int32_t> counts);

}  // namespace tallyfold
