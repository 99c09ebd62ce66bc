#include "estimation/EMtrun_alg.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <utility>

#include "common/ListDirected.h"
#include "common/FieldLayout.h"
#include "common/NearestInteger.h"
#include "common/SinglePrecision.h"
#include "common/StoppedResult.h"
#include "data/CountTable.h"
#include "numeric/InlineExp.h"

namespace tallyfold {

namespace {

constexpr int gridIntervals = 100;
constexpr int bisectionStepLimit = 500;
constexpr int passLimit = 20;  // the pass loop runs while passCount <= 20
constexpr double exponentBound = 700.0;
constexpr double exponentReplacement = 699.0;

// The parts of log p(x; lambda_j) x! that do not depend on theta:
// base(x, j) = x ln lambda_j - ln(1 - e^-lambda_j) - lambda_j, kept for one
// mixture while the gradient function is evaluated at many points.
//
// Where the four-lane exponential has the library's bits, D and D' are
// formed four classes x at a time, one lane each: every lane takes the
// scalar loop's operations over j in its order, and the quotients
// f(x) / s(x) are added to the sum one by one in the order of x, so every
// value is the scalar loop's. The lanes read base by component
// (baseByComponent_, m rounded up to a multiple of four, the classes past m
// repeating class m and never added).
class GradientTerms {
 public:
  GradientTerms(std::span<const std::int32_t> counts, std::span<const double> lambda,
                std::span<const double> weight)
      : counts_(counts), weight_(weight), k_(lambda.size()), base_(counts.size() * lambda.size()) {
    if (weight.size() != k_) throw std::invalid_argument("gradient function: weight must have k entries");
    n_ = static_cast<double>(observedUnits(counts));
    for (std::size_t j = 0; j < k_; ++j) {
      const double lnL = std::log(lambda[j]);
      const double lnT = std::log(1.0 - std::exp(-lambda[j]));
      for (std::size_t i = 0; i < counts.size(); ++i) {
        const double xd = static_cast<double>(i + 1);
        base_[i * k_ + j] = xd * lnL - lnT - lambda[j];
      }
    }
#ifdef TALLYFOLD_INLINE_EXP
    lanes_ = inlineexp::expFourMatchesLibrary() && !counts.empty();
    if (lanes_) {
      const std::size_t m = counts.size();
      padded_ = (m + 3) / 4 * 4;
      baseByComponent_.resize(padded_ * k_);
      for (std::size_t j = 0; j < k_; ++j) {
        for (std::size_t i = 0; i < padded_; ++i) baseByComponent_[j * padded_ + i] = base_[std::min(i, m - 1) * k_ + j];
      }
    }
#endif
  }

  // D(theta): with t_j = log(p(x; lambda_j) / p(x; theta)), at most 699.
  double value(double theta) const {
    const double lnTheta = std::log(theta);
    const double lnTTheta = std::log(1.0 - std::exp(-theta));
#ifdef TALLYFOLD_INLINE_EXP
    if (lanes_) return valueLanes(theta, lnTheta, lnTTheta) / n_;
#endif
    double sum = 0.0;
    for (std::size_t i = 0; i < counts_.size(); ++i) {
      const double xd = static_cast<double>(i + 1);
      const double* base = &base_[i * k_];
      double s = 0.0;
      for (std::size_t j = 0; j < k_; ++j) {
        double t = base[j] + theta - xd * lnTheta + lnTTheta;
        if (t > exponentBound) t = exponentReplacement;
        s += weight_[j] * std::exp(t);
      }
      sum += static_cast<double>(counts_[i]) / s;
    }
    return sum / n_;
  }

  // D'(theta), from d p(x; theta)/d theta x! =
  // theta^(x-1) ((x - theta) e^theta - x) / (e^theta - 1)^2.
  double slope(double theta) const {
    const double e = std::exp(theta);
    const double twoLnEm1 = 2.0 * std::log(e - 1.0);
    const double lnTheta = std::log(theta);
#ifdef TALLYFOLD_INLINE_EXP
    if (lanes_) return slopeLanes(theta, e, twoLnEm1, lnTheta) / n_;
#endif
    double sum = 0.0;
    for (std::size_t i = 0; i < counts_.size(); ++i) {
      const double xd = static_cast<double>(i + 1);
      const double mx = (xd - theta) * e - xd;
      const double* base = &base_[i * k_];
      double s = 0.0;
      for (std::size_t j = 0; j < k_; ++j) {
        double t = base[j] + twoLnEm1 - (xd - 1.0) * lnTheta;
        if (t > exponentBound) t = exponentReplacement;
        s += weight_[j] * std::exp(t) / mx;
      }
      sum += static_cast<double>(counts_[i]) / s;
    }
    return sum / n_;
  }

 private:
#ifdef TALLYFOLD_INLINE_EXP
  // The classes 4b+1 .. 4b+4 as doubles, and their counts.
  [[gnu::target("avx2,fma")]] static __m256d classes(std::size_t i0) {
    const double x0 = static_cast<double>(i0 + 1);
    return _mm256_setr_pd(x0, x0 + 1.0, x0 + 2.0, x0 + 3.0);
  }

  // Adds f(x) / s(x) of the lanes that are classes, in the order of x.
  static void addInOrder(double& sum, const double* quotient, std::size_t i0, std::size_t m) {
    for (std::size_t lane = 0; lane < 4 && i0 + lane < m; ++lane) sum += quotient[lane];
  }

  [[gnu::target("avx2,fma")]] __m256d countsOf(std::size_t i0) const {
    alignas(32) double f[4];
    for (std::size_t lane = 0; lane < 4; ++lane) {
      f[lane] = static_cast<double>(counts_[std::min(i0 + lane, counts_.size() - 1)]);
    }
    return _mm256_load_pd(f);
  }

  [[gnu::target("avx2,fma")]] double valueLanes(double theta, double lnTheta, double lnTTheta) const {
    const inlineexp::Table& table = inlineexp::table();
    const __m256d bound = _mm256_set1_pd(exponentBound);
    const __m256d replacement = _mm256_set1_pd(exponentReplacement);
    const __m256d thetaV = _mm256_set1_pd(theta);
    const __m256d lnThetaV = _mm256_set1_pd(lnTheta);
    const __m256d lnTThetaV = _mm256_set1_pd(lnTTheta);
    double sum = 0.0;
    for (std::size_t i0 = 0; i0 < counts_.size(); i0 += 4) {
      const __m256d xLnTheta = _mm256_mul_pd(classes(i0), lnThetaV);
      __m256d s = _mm256_setzero_pd();
      for (std::size_t j = 0; j < k_; ++j) {
        __m256d t = _mm256_add_pd(_mm256_loadu_pd(&baseByComponent_[j * padded_ + i0]), thetaV);
        t = _mm256_add_pd(_mm256_sub_pd(t, xLnTheta), lnTThetaV);
        t = _mm256_blendv_pd(t, replacement, _mm256_cmp_pd(t, bound, _CMP_GT_OQ));
        s = _mm256_add_pd(s, _mm256_mul_pd(_mm256_set1_pd(weight_[j]), inlineexp::expFour(t, table)));
      }
      alignas(32) double quotient[4];
      _mm256_store_pd(quotient, _mm256_div_pd(countsOf(i0), s));
      addInOrder(sum, quotient, i0, counts_.size());
    }
    return sum;
  }

  [[gnu::target("avx2,fma")]] double slopeLanes(double theta, double e, double twoLnEm1, double lnTheta) const {
    const inlineexp::Table& table = inlineexp::table();
    const __m256d bound = _mm256_set1_pd(exponentBound);
    const __m256d replacement = _mm256_set1_pd(exponentReplacement);
    const __m256d twoLnEm1V = _mm256_set1_pd(twoLnEm1);
    double sum = 0.0;
    for (std::size_t i0 = 0; i0 < counts_.size(); i0 += 4) {
      const __m256d xd = classes(i0);
      const __m256d mx = _mm256_sub_pd(_mm256_mul_pd(_mm256_sub_pd(xd, _mm256_set1_pd(theta)), _mm256_set1_pd(e)), xd);
      const __m256d powerLn = _mm256_mul_pd(_mm256_sub_pd(xd, _mm256_set1_pd(1.0)), _mm256_set1_pd(lnTheta));
      __m256d s = _mm256_setzero_pd();
      for (std::size_t j = 0; j < k_; ++j) {
        __m256d t = _mm256_sub_pd(_mm256_add_pd(_mm256_loadu_pd(&baseByComponent_[j * padded_ + i0]), twoLnEm1V),
                                  powerLn);
        t = _mm256_blendv_pd(t, replacement, _mm256_cmp_pd(t, bound, _CMP_GT_OQ));
        const __m256d term = _mm256_mul_pd(_mm256_set1_pd(weight_[j]), inlineexp::expFour(t, table));
        s = _mm256_add_pd(s, _mm256_div_pd(term, mx));
      }
      alignas(32) double quotient[4];
      _mm256_store_pd(quotient, _mm256_div_pd(countsOf(i0), s));
      addInOrder(sum, quotient, i0, counts_.size());
    }
    return sum;
  }

  bool lanes_ = false;
  std::size_t padded_ = 0;
  std::vector<double> baseByComponent_;
#endif
  std::span<const std::int32_t> counts_;
  std::span<const double> weight_;
  std::size_t k_;
  std::vector<double> base_;
  double n_ = 0.0;
};

// Bisection for a sign change of f on [a, b]: stops when |f(mid)| < tol or
// after 500 steps; f(a) is evaluated anew at every step and a midpoint where
// f is exactly 0 moves a. The result is the last midpoint (the midpoint of
// [a, b] when tol is so large that no step runs). A stop request ends it
// with a midpoint that means nothing.
template <typename F>
double bisect(double a, double b, double tol, const F& f, const std::stop_token& stop = {}) {
  double mid = a + (b - a) * 0.5;
  double fm = 10.0;
  for (int step = 0; step < bisectionStepLimit && std::fabs(fm) >= tol && !stop.stop_requested(); ++step) {
    mid = a + (b - a) * 0.5;
    fm = f(mid);
    const double fa = f(a);
    if ((fa >= 0.0 && fm >= 0.0) || (fa < 0.0 && fm <= 0.0)) {
      a = mid;
    } else {
      b = mid;
    }
  }
  return mid;
}

void bisectRoots(const GradientTerms& terms, std::span<const std::array<double, 2>> intervals,
                 std::span<double> roots, double tol, const std::stop_token& stop = {}) {
  if (roots.size() < intervals.size()) throw std::invalid_argument("bisectSlopeRoots: too few roots");
  for (std::size_t i = 0; i < intervals.size(); ++i) {
    roots[i] = bisect(intervals[i][0], intervals[i][1], tol, [&](double t) { return terms.slope(t); }, stop);
  }
}

// A stop request ends the search with a candidate and a maximum that mean
// nothing (on a long table one evaluation of D' is m k exponentials, and
// the search makes up to 100 000 of them).
void searchMaximum(std::span<const std::int32_t> counts, const GradientTerms& terms, double& candidateLambda,
                   double& maxGradient, double tol, const std::stop_token& stop = {}) {
  const double lo = static_cast<double>(single::gridStart);
  const double hi = static_cast<double>(counts.size()) + 1.0;
  const double width = (hi - lo) / static_cast<double>(gridIntervals);
  std::array<double, gridIntervals + 1> theta{};
  std::array<double, gridIntervals + 1> slope{};
  for (int i = 0; i <= gridIntervals; ++i) {
    if (stop.stop_requested()) return;
    theta[i] = width * static_cast<double>(i) + lo;
    slope[i] = terms.slope(theta[i]);
  }
  // The last interval [theta_99, theta_100] is not examined.
  std::vector<std::array<double, 2>> intervals;
  for (int i = 1; i < gridIntervals; ++i) {
    if (slope[i - 1] >= 0.0 && slope[i] < 0.0) intervals.push_back({theta[i - 1], theta[i]});
  }
  std::vector<double> roots(intervals.size(), 0.0);
  bisectRoots(terms, intervals, roots, tol, stop);

  double best = terms.value(static_cast<double>(single::nearZero));
  std::size_t bestIndex = 0;
  for (std::size_t r = 0; r < roots.size(); ++r) {
    const double d = terms.value(roots[r]);
    if (d >= best) {  // ties go to the later root
      best = d;
      bestIndex = r + 1;
    }
  }
  maxGradient = best;
  candidateLambda = bestIndex == 0 ? static_cast<double>(single::zeroCandidate) : roots[bestIndex - 1];
}

// x! p(x; theta) and x! g(x) for x = 1..m, the two kernels of weightScore.
struct WeightKernels {
  std::vector<double> mixture;
  std::vector<double> candidate;

  WeightKernels(std::size_t m, std::span<const double> lambda, std::span<const double> weight,
                double candidateLambda)
      : mixture(m), candidate(m) {
    const double one = 1.0;
    for (std::size_t i = 0; i < m; ++i) {
      const auto x = static_cast<std::int32_t>(i + 1);
      mixture[i] = mixtureKernel(lambda, weight, x);
      candidate[i] = mixtureKernel(std::span<const double>(&candidateLambda, 1), std::span<const double>(&one, 1), x);
    }
  }

  double score(std::span<const std::int32_t> counts, double alpha) const {
    double sum = 0.0;
    for (std::size_t i = 0; i < counts.size(); ++i) {
      const double h = mixture[i];
      const double hStar = candidate[i];
      sum += static_cast<double>(counts[i]) * (hStar - h) / ((1.0 - alpha) * h + alpha * hStar);
    }
    return sum;
  }
};

// BIC = (2k - 1) ln m - 2 L.
double bicOf(std::size_t m, std::size_t k, double logLik) {
  return static_cast<double>(2 * k - 1) * std::log(static_cast<double>(m)) - 2.0 * logLik;
}

// The rounded estimate as a list-directed integer item; a value that has no
// 32-bit integer (NaN, infinite, out of range) is written as a real item.
std::string estimateLine(const char* label, double value) {
  if (const auto rounded = nearestInt(value)) return listDirected(label, *rounded);
  return listDirected(label, nearestWhole(value));
}

}  // namespace

double gradientFunction(double theta, std::span<const std::int32_t> counts, std::span<const double> lambda,
                        std::span<const double> weight) {
  return GradientTerms(counts, lambda, weight).value(theta);
}

double gradientSlope(double theta, std::span<const std::int32_t> counts, std::span<const double> lambda,
                     std::span<const double> weight) {
  return GradientTerms(counts, lambda, weight).slope(theta);
}

void maxGradientSearch(std::span<const std::int32_t> counts, std::span<const double> lambda,
                       std::span<const double> weight, double& candidateLambda, double& maxGradient,
                       double tol) {
  searchMaximum(counts, GradientTerms(counts, lambda, weight), candidateLambda, maxGradient, tol);
}

void bisectSlopeRoots(std::span<const std::array<double, 2>> intervals, std::span<double> roots,
                      std::span<const std::int32_t> counts, std::span<const double> lambda,
                      std::span<const double> weight, double tol) {
  bisectRoots(GradientTerms(counts, lambda, weight), intervals, roots, tol);
}

std::int32_t bestReplacement(std::span<const std::int32_t> counts, std::span<const double> lambda,
                             std::span<const double> weight, double candidateLambda) {
  std::vector<double> trial(lambda.begin(), lambda.end());
  std::int32_t replaceIndex = 1;
  double best = -std::numeric_limits<double>::infinity();
  for (std::size_t j = 0; j < trial.size(); ++j) {
    trial[j] = candidateLambda;
    const double l = logLikelihood(counts, trial, weight);
    trial[j] = lambda[j];
    if (j == 0) {
      best = l;
    } else if (l > best) {  // ties keep the lower index
      best = l;
      replaceIndex = static_cast<std::int32_t>(j + 1);
    }
  }
  return replaceIndex;
}

double weightScore(std::span<const std::int32_t> counts, std::span<const double> lambda,
                   std::span<const double> weight, double candidateLambda, double alpha) {
  return WeightKernels(counts.size(), lambda, weight, candidateLambda).score(counts, alpha);
}

double newComponentWeight(std::span<const std::int32_t> counts, std::span<const double> lambda,
                          std::span<const double> weight, double candidateLambda, double eps) {
  const WeightKernels kernels(counts.size(), lambda, weight, candidateLambda);
  return bisect(0.0, 1.0, eps, [&](double alpha) { return kernels.score(counts, alpha); });
}

void recordStep(std::span<const std::int32_t> counts, std::span<const double> lambda,
                std::span<const double> weight, double maxGradient, std::vector<FitRecord>& records) {
  const std::size_t k = lambda.size();
  if (k <= 1) records.clear();
  if (k == 0) return;
  FitRecord entry;
  entry.lambda.assign(lambda.begin(), lambda.end());
  entry.weight.assign(weight.begin(), weight.end());
  entry.logLik = logLikelihood(counts, lambda, weight);
  entry.bic = bicOf(counts.size(), k, entry.logLik);
  entry.n0 = nearestWhole(estimateN0(counts, lambda, weight));
  entry.nall = nearestWhole(estimateNall(counts, lambda, weight));
  entry.maxGradient = maxGradient;
  // Entry k of the tables; entries before it are kept, any missing one is
  // left empty (zero).
  records.resize(k, FitRecord{{}, {}, 0.0, 0.0, 0.0, 0.0, 0.0});
  records[k - 1] = std::move(entry);
}

SearchResult componentSearch(std::span<const std::int32_t> counts, const SearchSettings& settings, bool record,
                             const LogSink& log, std::stop_token stop) {
  if (stop.stop_requested()) return stoppedResult<SearchResult>();
  SearchResult result;
  result.maxGradient = std::numeric_limits<double>::quiet_NaN();
  result.bestBic = std::numeric_limits<double>::quiet_NaN();
  if (std::optional<std::string> problem = mixtureProblem(counts)) {
    result.problem = std::move(*problem);
    return result;
  }
  result.estimable = true;

  const auto say = [&](const std::string& line) {
    if (log) log(line);
  };
  const std::size_t m = counts.size();
  const int rows = static_cast<int>(m);
  const double eps = settings.exactness;
  const double halfEps = eps / 2.0;
  const double gradientBound = static_cast<double>(single::gradientBound);
  FitCounters& counters = result.counters;

  std::vector<double> lambda{1.0};
  std::vector<double> weight{1.0};
  Matrix<double> posterior(rows, 1);
  double maxGradient = 5.0;
  double bestBic = std::numeric_limits<double>::quiet_NaN();
  double candidateLambda = 0.0;
  double candidateWeight = 0.0;
  std::int32_t passCount = 0;
  std::vector<double> savedLambda;
  std::vector<double> savedWeight;
  Matrix<double> savedPosterior;
  std::vector<double> trialLambda;
  std::vector<double> trialWeight;
  Matrix<double> trialPosterior;
  HelperThreads helpers(threadsOfSetting(settings.threads));

  const auto finishWith = [&]() -> SearchResult& {
    result.numComponents = static_cast<std::int32_t>(lambda.size());
    result.lambda = std::move(lambda);
    result.weight = std::move(weight);
    result.posterior = std::move(posterior);
    result.maxGradient = maxGradient;
    result.bestBic = bestBic;
    return result;
  };
  // Back to the fit before the last added component; bestBic stays.
  const auto fallBack = [&]() -> SearchResult& {
    lambda = savedLambda;
    weight = savedWeight;
    posterior = savedPosterior;
    return finishWith();
  };

  say(listDirected("----------- Start EMGFU---------"));
  while (maxGradient - 1.0 > eps && passCount <= passLimit) {
    if (stop.stop_requested()) return stoppedResult<SearchResult>();
    say(listDirected());
    say(listDirected("**** Start EM ****"));
    emFit(counts, eps, lambda, weight, lambda, weight, posterior, &counters, stop, &helpers);
    if (stop.stop_requested()) return stoppedResult<SearchResult>();

    const std::size_t k = lambda.size();
    for (;;) {
      searchMaximum(counts, GradientTerms(counts, lambda, weight), candidateLambda, maxGradient, halfEps, stop);
      if (stop.stop_requested()) return stoppedResult<SearchResult>();
      say(listDirected("Maximum of Gradient Function"));
      say(formatF(maxGradient, 14, 6));
      say(listDirected());

      if (maxGradient < gradientBound) {
        // Finish: the gradient test holds.
        if (record) recordStep(counts, lambda, weight, maxGradient, result.records);
        const double bic = bicOf(m, k, logLikelihood(counts, lambda, weight));
        if (settings.stopCriterion == StopCriterion::bic && k > 1 && bic > bestBic) return fallBack();
        bestBic = bic;
        return finishWith();
      }

      if (k == 1) break;
      // Exchange step: move the component whose replacement gains most to
      // the gradient maximum, refit, and keep it when the likelihood rises
      // by more than eps/2.
      const std::int32_t replaceIndex = bestReplacement(counts, lambda, weight, candidateLambda);
      trialLambda = lambda;
      trialWeight = weight;
      trialPosterior = posterior;
      trialLambda[static_cast<std::size_t>(replaceIndex) - 1] = candidateLambda;
      const double l1 = logLikelihood(counts, lambda, weight);
      emFit(counts, halfEps, trialLambda, trialWeight, trialLambda, trialWeight, trialPosterior, &counters, stop,
            &helpers);
      if (stop.stop_requested()) return stoppedResult<SearchResult>();
      const double l2 = logLikelihood(counts, trialLambda, trialWeight);
      if (!(l1 + halfEps < l2)) break;
      say(listDirected("Changing step"));
      say(listDirected());
      std::swap(lambda, trialLambda);
      std::swap(weight, trialWeight);
      std::swap(posterior, trialPosterior);
    }

    const std::string dashes(28, '-');
    say(listDirected(dashes));
    say(estimateLine("n0=", estimateN0(counts, lambda, weight)));
    say(estimateLine("nall=", estimateNall(counts, lambda, weight)));
    say(listDirected(dashes));

    const double bic = bicOf(m, k, logLikelihood(counts, lambda, weight));
    if (settings.stopCriterion == StopCriterion::bic && k > 1 && bic > bestBic) return fallBack();
    bestBic = bic;
    if (record) recordStep(counts, lambda, weight, maxGradient, result.records);
    candidateWeight = k == 1 ? 0.5 : newComponentWeight(counts, lambda, weight, candidateLambda, eps);
    if (settings.stopCriterion == StopCriterion::max && settings.maxComponents == static_cast<std::int32_t>(k)) {
      return finishWith();
    }

    // Add a component at the gradient maximum; the extended mixture has no
    // posterior yet (all zero) until the next EM fit.
    savedLambda = lambda;
    savedWeight = weight;
    savedPosterior = posterior;
    for (std::size_t j = 0; j < k; ++j) weight[j] = (1.0 - candidateWeight) * savedWeight[j];
    lambda.push_back(candidateLambda);
    weight.push_back(candidateWeight);
    posterior.resize(rows, static_cast<int>(k) + 1);
    say(listDirected("Add next component"));
    say(listDirected(std::string(19, '-')));
    say(listDirected());

    ++passCount;
    if (!(maxGradient - 1.0 > eps)) return finishWith();
  }
  return finishWith();
}

}  // namespace tallyfold
