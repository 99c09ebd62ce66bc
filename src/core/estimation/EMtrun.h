#pragma once
// Zero-truncated Poisson mixtures: likelihood, EM fit for a fixed number of
// components and the population-size formulas.
//
// Model, for x >= 1:  p(x; lambda) = lambda^x e^-lambda / (x! (1 - e^-lambda)),
// g(x) = sum_j w_j p(x; lambda_j), L = sum_x f(x) ln g(x) (x! included).
// With S = sum_j w_j / (1 - e^-lambda_j): Nall = n S and N0 = n (S - 1).
// The EM algorithm for such mixtures follows Dempster, Laird & Rubin (1977);
// its use for the unseen units of a capture-recapture count table follows
// Böhning's work on the NPMLE of Poisson mixtures.
//
// counts[x - 1] = f(x), m = counts.size(); lambda and weight hold the k
// components; posterior is the m x k matrix P(x, j). The routines own no
// state and are safe to call from several threads at once.
#include <cstdint>
#include <span>
#include <stop_token>

#include "common/HelperThreads.h"
#include "common/Matrix.h"

namespace tallyfold {

// Work done by a fit, for benchmarks: EM passes and steps of the mean
// fixed-point iteration (one exp, one multiply and one divide each).
struct FitCounters {
  std::int64_t emPasses = 0;
  std::int64_t meanUpdateSteps = 0;
};

// At most this many EM passes: the pass counter starts at 0 and is tested
// before each pass, so 5001 passes run. Reaching it is silent.
inline constexpr std::int32_t emIterationLimit = 5000;

// Upper bound of the steps of one mean fixed-point iteration. Started from
// 1.0, the iteration approaches a mean near zero like the harmonic sequence
// 2/n, so a step changes it by about 2/n^2 and the loop ends after roughly
// sqrt(2/tol) steps: 2.8E7 for the smallest tolerance used with an exactness
// of 1.0E-12 (the search's trial fits use eps/2: tol = 0.5E-12 * 0.005); a
// mean just above zero ends sooner (the tests check the worst case). 10^8
// never binds for such tolerances; it ends loops that cannot converge (a
// tolerance below the rounding noise of 1 - e^-lambda, zero or negative),
// which otherwise run for ever. A loop that repeats a value (fixed point or
// two-cycle not accepted by the tolerance) stops at once.
inline constexpr std::int64_t meanUpdateStepLimit = 100'000'000;

// A mean fixed point with a stop request looks at it after this many steps
// (about 40 microseconds of steps). A multiple of three: the fast loop takes
// three steps per round and pauses only at the top of a round.
inline constexpr std::int64_t meanUpdateCheckInterval = 4095;
static_assert(meanUpdateCheckInterval % 3 == 0);

// EM fit from the starting mixture (lambdaIn, weightIn) to the out arrays,
// which may be the same storage as the in arrays. Runs while the largest
// change of a mean between two passes exceeds eps; eps >= 1 returns the
// starting values and leaves posterior untouched. posterior is resized to
// m x k when it has another shape. A zero weight yields NaN posteriors, as
// IEEE arithmetic gives them.
//
// A stop request is looked at before each pass and inside the mean update;
// once it is seen the fit ends at once and its out arrays mean nothing (the
// caller tells by stop.stop_requested()). Without a request every bit is as
// without a token.
//
// With `helpers` (more than one thread) the E-step's classes x are shared
// among its threads where the table is large enough to pay; every value is
// formed by the same operations on whichever thread, so the bits do not
// depend on the number of threads.
void emFit(std::span<const std::int32_t> counts, double eps, std::span<const double> lambdaIn,
           std::span<const double> weightIn, std::span<double> lambda, std::span<double> weight,
           Matrix<double>& posterior, FitCounters* counters = nullptr, std::stop_token stop = {},
           HelperThreads* helpers = nullptr);

// The E-step alone, as emFit forms it: posterior(x, j) = P(x, j) for
// x = 1..posterior.rows() (posterior has k columns). `lanes` false takes the
// loop that forms one value at a time with the library's exponential; the
// result is the same bit for bit (tests compare the two), as with helpers.
void expectationStep(std::span<const double> lambda, std::span<const double> weight, Matrix<double>& posterior,
                     bool lanes = true, HelperThreads* helpers = nullptr);

// New means from the posterior: for each component the fixed point of
// lambda = (1 - e^-lambda) A / B, started from 1.0, with the posterior-
// weighted sums A = sum x f(x) P(x, j) and B = sum f(x) P(x, j) rounded to
// single precision; stops when a step changes lambda by at most tol (or at
// meanUpdateStepLimit steps). tol >= 1 gives 1.0. The fixed points run
// interleaved (truncatedMeanFixedPoints). A stop request ends it before the
// fixed points start and every meanUpdateCheckInterval steps of a fixed
// point; the means then mean nothing.
void updateLambdas(std::span<const std::int32_t> counts, double tol, const Matrix<double>& posterior,
                   std::span<double> lambda, FitCounters* counters = nullptr, std::stop_token stop = {});

// The fixed point of one component from its single-precision sums; adds the
// steps taken to `steps`. With a stop request seen it returns the current
// iterate, which means nothing.
double truncatedMeanFixedPoint(float sumXfP, float sumFP, double tol, std::int64_t& steps,
                               std::stop_token stop = {});

// The fixed points of several components at once, lambda[j] from
// (sumXfP[j], sumFP[j]), each bit for bit as truncatedMeanFixedPoint gives
// it; adds every step taken to `steps`. The chains run interleaved, so the
// processor overlaps their steps.
void truncatedMeanFixedPoints(std::span<const float> sumXfP, std::span<const float> sumFP, double tol,
                              std::span<double> lambda, std::int64_t& steps, std::stop_token stop = {});

// Log-likelihood L of the mixture (no exponent clamping).
double logLikelihood(std::span<const std::int32_t> counts, std::span<const double> lambda,
                     std::span<const double> weight);

// Estimated number of unseen units N0 = n (S - 1), not rounded.
double estimateN0(std::span<const std::int32_t> counts, std::span<const double> lambda,
                  std::span<const double> weight);

// Estimated population size Nall = n S, not rounded.
double estimateNall(std::span<const std::int32_t> counts, std::span<const double> lambda,
                    std::span<const double> weight);

// x! g(x) = sum_j w_j lambda_j^x e^-lambda_j / (1 - e^-lambda_j).
double mixtureKernel(std::span<const double> lambda, std::span<const double> weight, std::int32_t x);

}  // namespace tallyfold
