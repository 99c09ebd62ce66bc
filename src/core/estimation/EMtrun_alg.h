#pragma once
// Search for the nonparametric maximum likelihood estimate (NPMLE) of the
// mixing distribution of a zero-truncated Poisson mixture by the gradient
// function method (Lindsay 1983, "The geometry of mixture likelihoods: a
// general theory", Ann. Statist. 11; Böhning 1995, "A review of reliable
// maximum likelihood algorithms for semiparametric mixture models", J. Statist.
// Plann. Inference 47): fit k components by EM, find the maximum of the
// gradient function D, try to move a component there (exchange step),
// otherwise add one, until D <= 1 everywhere (NPMLE), the BIC worsens or a
// number of components is reached.
//
// D(theta) = (1/n) sum_x f(x) p(x; theta) / g(x); the fit is the NPMLE when
// D(theta) <= 1 for every theta > 0.
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <stop_token>
#include <string>
#include <vector>

#include "common/Matrix.h"
#include "estimation/EMtrun.h"
#include "settings/Defaults.h"

namespace tallyfold {

struct SearchSettings {
  double exactness;            // convergence bound eps of the EM fits and of the search
  StopCriterion stopCriterion;  // NPMLE, BIC or MAX
  std::int32_t maxComponents;  // the k at which MAX stops
  // Threads that share each E-step's classes (0: every core). The fits of a
  // bootstrap or a study keep 1: their replicates already fill the cores.
  std::int32_t threads = 1;
};

// One recorded fit of k components (k = lambda.size()). n0 and nall are
// rounded to whole numbers, halves away from zero, and kept as doubles.
struct FitRecord {
  std::vector<double> lambda;
  std::vector<double> weight;
  double logLik;
  double bic;
  double n0;
  double nall;
  double maxGradient;
};

// A result with stopped = true comes from a search that saw a stop request
// before it finished: every other field then means nothing, and a caller
// shows none of them.
struct SearchResult {
  bool stopped = false;
  bool estimable = false;  // false: no mixture can be fitted to the table, nothing was computed
  std::string problem;     // why, in words for the user (mixtureProblem), when estimable is false
  std::int32_t numComponents = 0;
  std::vector<double> lambda;
  std::vector<double> weight;
  Matrix<double> posterior;  // m x numComponents; all zero for a mixture just extended and not fitted
  double maxGradient = 0.0;
  // BIC of the accepted fit; NaN when no fit was compared (the pass loop was
  // not entered), in which case a caller keeps its previous value.
  double bestBic = 0.0;
  std::vector<FitRecord> records;  // empty unless recording was asked for
  FitCounters counters;
};

// Receives each progress line; an empty function writes no log.
using LogSink = std::function<void(const std::string& line)>;

// The gradient function D(theta) of the mixture.
double gradientFunction(double theta, std::span<const std::int32_t> counts, std::span<const double> lambda,
                        std::span<const double> weight);

// Its derivative D'(theta).
double gradientSlope(double theta, std::span<const std::int32_t> counts, std::span<const double> lambda,
                     std::span<const double> weight);

// Location (candidateLambda) and value (maxGradient) of the largest local
// maximum of D over a grid of 101 points on [1.0E-6, m + 1], refined by
// bisection of D' with tolerance tol; the value next to zero, D(1.0E-7),
// wins unless a root is at least as high (then candidateLambda = 1.0E-8).
void maxGradientSearch(std::span<const std::int32_t> counts, std::span<const double> lambda,
                       std::span<const double> weight, double& candidateLambda, double& maxGradient,
                       double tol);

// One root of D' per interval [a, b] (roots.size() >= intervals.size()).
void bisectSlopeRoots(std::span<const std::array<double, 2>> intervals, std::span<double> roots,
                      std::span<const std::int32_t> counts, std::span<const double> lambda,
                      std::span<const double> weight, double tol);

// 1-based index of the component whose replacement by candidateLambda gives
// the largest log-likelihood (ties keep the lower index).
std::int32_t bestReplacement(std::span<const std::int32_t> counts, std::span<const double> lambda,
                             std::span<const double> weight, double candidateLambda);

// Starting weight of a new component at candidateLambda: the root in [0, 1]
// of weightScore, by bisection with tolerance eps.
double newComponentWeight(std::span<const std::int32_t> counts, std::span<const double> lambda,
                          std::span<const double> weight, double candidateLambda, double eps);

// Derivative of the log-likelihood of (1 - alpha) g + alpha p(.; candidate)
// in alpha.
double weightScore(std::span<const std::int32_t> counts, std::span<const double> lambda,
                   std::span<const double> weight, double candidateLambda, double alpha);

// Appends the fit of lambda.size() components as entry k of the records:
// k = 1 starts the records afresh, k > 1 keeps the first k - 1 entries.
void recordStep(std::span<const std::int32_t> counts, std::span<const double> lambda,
                std::span<const double> weight, double maxGradient, std::vector<FitRecord>& records);

// The whole search from one component. Re-entrant: it keeps all its working
// values on the stack of the call. A table that countTableProblem refuses
// or that carries no information about the means (mixtureProblem) gives
// estimable = false at once, with the reason in problem.
//
// A stop request is looked at before the search starts, before each pass,
// inside the EM fits and the gradient search, and around each trial fit;
// once seen the search returns at once with stopped = true and logs nothing
// more. Without a request the result, the log and the counters are the
// same as without a token.
SearchResult componentSearch(std::span<const std::int32_t> counts, const SearchSettings& settings, bool record,
                             const LogSink& log, std::stop_token stop = {});

}  // namespace tallyfold
