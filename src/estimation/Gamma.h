#pragma once
// Negative-binomial (Poisson-Gamma) estimate of the number of unseen units:
// the count table, completed by an estimate f0 of the zero class, is fitted
// by a negative binomial with the moments of the completed table
// (kappa = mu^2 / (v - mu), p = mu / v); its zero-class probability p^kappa
// gives the next f0 = p^kappa (n + f0), until f0 settles. It starts from the
// Chao estimate.
//
// P(X = x) = Gamma(x + kappa) / (Gamma(kappa) x!) p^kappa (1 - p)^x,
// with mean kappa (1 - p) / p and variance kappa (1 - p) / p^2.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "estimation/WholeEstimate.h"

namespace tallyfold {

// At most this many iterations; reaching it gives f0 = -1.0.
inline constexpr std::int32_t negBinIterationLimit = 10000;

// The reason given when the iteration reaches its limit.
inline constexpr std::string_view negBinIterationLimitReason = "iteration limit";

// The negative-binomial estimate of a table, or why there is none.
struct NegBinResult {
  WholeEstimate n0;    // f0, the estimated number of unseen units
  WholeEstimate n;     // the completed table's size n + f0
  std::string reason;  // in words for the user, when there is no estimate
};

// The estimate every caller uses: negBinEstimate started from the Chao
// value, with no estimate (and the reason) where negBinEstimate has none,
// where the table has no Chao value and where the iteration reaches its
// limit. eps >= 1.0 runs no iteration: f0 is the Chao value.
NegBinResult negativeBinomial(std::span<const std::int32_t> counts, double eps);

// The raw iteration under negativeBinomial, from h(0) = the Chao value.
// Iterates while the change of f0 exceeds eps (the first change is measured
// from 0.0, so every call stands on its own). On success f0 is the estimate
// (or -1.0 when the iteration limit was reached) and total the completed
// table's size n + f0 (n - 1 after the limit); eps >= 1.0 runs no iteration,
// leaves f0 as it was and gives total = n + the Chao value.
// Returns false, and leaves both outputs untouched, when there is no
// estimate: the table cannot be estimated (see countTableProblem) or has no
// Chao value, its completed variance does not exceed its mean (no negative
// binomial fits), or a result is not finite.
bool negBinEstimate(std::span<const std::int32_t> counts, double eps, double& f0, double& total);

// P(X = x) for shape kappa and probability p (single precision inputs).
// Evaluating it for a kappa where the gamma function cannot be (zero, a
// negative integer) is a terminal error of GAMMA.
double negBinProb(std::int32_t x, float kappa, float p);

// ln Gamma(a): ln(GAMMA(a)) below 35.0, above it the straight line
// 4.16236 a - 57.1018, which meets ln Gamma at 35 and grows more slowly.
double logGamma(float a);

// Mean and variance of a table h[0..count-1] whose entry i stands for the
// value i: sum i h[i] / S and sum i^2 h[i] / S - mean^2, the numerators in
// double precision, S = sum h[i] rounded to single precision.
double classMean(int count, const float* h);
double classVariance(int count, const float* h, double mean);

}  // namespace tallyfold
