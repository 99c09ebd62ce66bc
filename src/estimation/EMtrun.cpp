#include "estimation/EMtrun.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

#include "common/SinglePrecision.h"
#include "estimation/CountTable.h"

namespace tallyfold {

namespace {

void requireSameSize(std::size_t a, std::size_t b, const char* what) {
  if (a != b) throw std::invalid_argument(what);
}

// ln(1 - e^-lambda), the log of the zero-truncation factor.
double logTruncation(double lambda) { return std::log(1.0 - std::exp(-lambda)); }

// Posterior P(x, j) = 1 / sum_l exp(e_l), with e_l the log of
// w_l p(x; lambda_l) / (w_j p(x; lambda_j)) formed from logarithms, so that
// neither x! nor lambda^x is ever formed. e_l is clamped before the exp:
// above 705 it becomes 700, below -705 it becomes -700.
void expectationStep(std::span<const double> lambda, std::span<const double> weight,
                     std::vector<double>& scratch, Matrix<double>& posterior) {
  const std::size_t k = lambda.size();
  const int m = posterior.rows();
  scratch.resize(3 * k);
  double* lnW = scratch.data();
  double* lnL = lnW + k;
  double* lnT = lnL + k;
  for (std::size_t j = 0; j < k; ++j) {
    lnW[j] = std::log(weight[j]);
    lnL[j] = std::log(lambda[j]);
    lnT[j] = logTruncation(lambda[j]);
  }
  for (int x = 1; x <= m; ++x) {
    const double xd = x;
    for (std::size_t j = 0; j < k; ++j) {
      // The term l = j is exactly exp(0) = 1 whenever its parts are finite;
      // otherwise (a zero weight gives -inf - -inf) it is computed like the
      // others and carries its NaN into the sum.
      const bool selfIsOne = std::isfinite(lnW[j]) && std::isfinite(lnL[j]) && std::isfinite(lnT[j]) &&
                             std::isfinite(lambda[j]);
      double sum = 0.0;
      for (std::size_t l = 0; l < k; ++l) {
        if (l == j && selfIsOne) {
          sum += 1.0;
          continue;
        }
        double e = lnW[l] - lnW[j] + xd * (lnL[l] - lnL[j]) - lambda[l] + lambda[j] - lnT[l] + lnT[j];
        if (e > 705.0) {
          e = 700.0;
        } else if (e < -705.0) {
          e = -700.0;
        }
        sum += std::exp(e);
      }
      posterior(x, static_cast<int>(j) + 1) = 1.0 / sum;
    }
  }
}

// The fixed point lambda = (1 - e^-lambda) a / b from lambda = 1.0, exactly
// as written. The map is deterministic, so once a value repeats the one two
// steps before (a fixed point or a two-cycle that the tolerance does not
// accept) the loop could never end: it stops there. A loop that ends by the
// tolerance never meets that condition, so its result is unchanged.
double meanFixedPointPlain(double a, double b, double tol, std::int64_t& steps) {
  double lambda = 1.0;
  double previous = 0.0;
  double beforePrevious = std::numeric_limits<double>::quiet_NaN();
  std::int64_t n = 0;
  while (std::fabs(previous - lambda) > tol && lambda != beforePrevious && n < meanUpdateStepLimit) {
    beforePrevious = previous;
    previous = lambda;
    lambda = (1.0 - std::exp(-lambda)) * a / b;
    ++n;
  }
  steps += n;
  return lambda;
}

#if defined(__x86_64__) && defined(__GNUC__)
#define TALLYFOLD_FUSED_MEAN_STEP 1

// The step of the fixed point is a chain of dependent operations; on a
// processor with fused multiply-add two of them are shortened without
// changing a single bit of the result:
//
// - the exponential. A mean near zero costs ~2/lambda steps, nearly all with
//   lambda below ln2/256. There the C library's exp (glibc 2.28 and later,
//   after Szabolcs Nagy's exp in ARM's optimized-routines: e^r = 2^(k/128)
//   (1 + r + C2 r^2 + ... + C5 r^5)) has k = 0 and a table value of exactly
//   1, and reduces to the polynomial below, evaluated with fused multiply-
//   adds as its FMA variant does. Inlined, it costs half the latency of
//   the call. The tests check it against std::exp bit for bit; every other
//   argument goes to std::exp itself.
// - the division by b, replaced by Markstein's correction (Markstein 1990,
//   "Computation of elementary functions on the IBM RISC System/6000
//   processor", IBM J. Res. Develop. 34): with y = RN(1/b) and q = RN(p y)
//   within one ulp of p/b, r = p - b q is exact and RN(q + r y) is the
//   correctly rounded p/b. Operands are kept far from overflow and
//   underflow (a and b in [2^-100, 2^100]).
constexpr double expC2 = 0x1.ffffffffffdbdp-2;
constexpr double expC3 = 0x1.555555555543cp-3;
constexpr double expC4 = 0x1.55555cf172b91p-5;
constexpr double expC5 = 0x1.1111167a4d017p-7;
constexpr double smallExpLow = 0x1p-54;  // below it the library returns 1 + x
constexpr double smallExpHigh = 0.0027;  // below ln2/256, where k = 0

[[gnu::target("fma")]] double meanFixedPointFma(double a, double b, double tol, std::int64_t& steps) {
  const double y = 1.0 / b;
  double lambda = 1.0;
  double previous = 0.0;
  double beforePrevious = std::numeric_limits<double>::quiet_NaN();
  std::int64_t n = 0;
  while (std::fabs(previous - lambda) > tol && lambda != beforePrevious && n < meanUpdateStepLimit) {
    beforePrevious = previous;
    previous = lambda;
    double p;
    if (lambda >= smallExpLow && lambda < smallExpHigh) {
      const double r = -lambda;
      const double r2 = r * r;
      const double tmp = __builtin_fma(r2 * r2, __builtin_fma(r, expC5, expC4),
                                       __builtin_fma(r2, __builtin_fma(r, expC3, expC2), r));
      const double e = 1.0 + tmp;
      // 1 - e is exact for e in [0.5, 2] (Sterbenz), so a - e a rounded once
      // is (1 - e) a rounded once.
      p = __builtin_fma(-e, a, a);
    } else {
      p = (1.0 - std::exp(-lambda)) * a;
    }
    const double q = p * y;
    lambda = __builtin_fma(__builtin_fma(-q, b, p), y, q);  // = p / b
    ++n;
  }
  steps += n;
  return lambda;
}

bool cpuHasFma() {
  static const bool hasFma = __builtin_cpu_supports("fma") != 0;  // a property of the processor
  return hasFma;
}

bool fusedStepApplies(double a, double b) {
  constexpr double low = 0x1p-100;
  constexpr double high = 0x1p100;
  return a >= low && a <= high && b >= low && b <= high && cpuHasFma();
}
#endif

}  // namespace

double truncatedMeanFixedPoint(float sumXfP, float sumFP, double tol, std::int64_t& steps) {
  const double a = sumXfP;
  const double b = sumFP;
#ifdef TALLYFOLD_FUSED_MEAN_STEP
  if (fusedStepApplies(a, b)) return meanFixedPointFma(a, b, tol, steps);
#endif
  return meanFixedPointPlain(a, b, tol, steps);
}

void updateLambdas(std::span<const std::int32_t> counts, double tol, const Matrix<double>& posterior,
                   std::span<double> lambda, FitCounters* counters) {
  const int m = static_cast<int>(counts.size());
  const int k = static_cast<int>(lambda.size());
  if (posterior.rows() != m || posterior.cols() < k) {
    throw std::invalid_argument("updateLambdas: posterior must be m x k");
  }
  std::int64_t steps = 0;
  for (int j = 1; j <= k; ++j) {
    const double* p = posterior.column(j);
    double sumXfP = 0.0;
    double sumFP = 0.0;
    for (int x = 1; x <= m; ++x) {
      const double f = counts[x - 1];
      sumXfP += static_cast<double>(static_cast<std::int64_t>(x) * counts[x - 1]) * p[x - 1];
      sumFP += f * p[x - 1];
    }
    lambda[j - 1] =
        truncatedMeanFixedPoint(static_cast<float>(sumXfP), static_cast<float>(sumFP), tol, steps);
  }
  if (counters != nullptr) counters->meanUpdateSteps += steps;
}

void emFit(std::span<const std::int32_t> counts, double eps, std::span<const double> lambdaIn,
           std::span<const double> weightIn, std::span<double> lambda, std::span<double> weight,
           Matrix<double>& posterior, FitCounters* counters) {
  const std::size_t k = lambdaIn.size();
  requireSameSize(weightIn.size(), k, "emFit: weightIn must have k entries");
  requireSameSize(lambda.size(), k, "emFit: lambda must have k entries");
  requireSameSize(weight.size(), k, "emFit: weight must have k entries");
  if (lambda.data() != lambdaIn.data()) std::copy(lambdaIn.begin(), lambdaIn.end(), lambda.begin());
  if (weight.data() != weightIn.data()) std::copy(weightIn.begin(), weightIn.end(), weight.begin());

  double maxChange = 1.0;
  if (!(maxChange > eps) || k == 0) return;

  const int m = static_cast<int>(counts.size());
  if (posterior.rows() != m || posterior.cols() != static_cast<int>(k)) {
    posterior.resize(m, static_cast<int>(k));
  }
  const double n = static_cast<double>(observedUnits(counts));
  const double tol = eps * static_cast<double>(single::meanStepFactor);
  std::vector<double> scratch;
  std::vector<double> previous(k);

  std::int32_t iteration = 0;
  while (std::fabs(maxChange) > eps) {
    if (iteration > emIterationLimit) break;
    expectationStep(lambda, weight, scratch, posterior);
    for (std::size_t j = 0; j < k; ++j) {
      const double* p = posterior.column(static_cast<int>(j) + 1);
      double sum = 0.0;
      for (int x = 1; x <= m; ++x) sum += static_cast<double>(counts[x - 1]) * p[x - 1];
      weight[j] = sum / n;
    }
    std::copy(lambda.begin(), lambda.end(), previous.begin());
    updateLambdas(counts, tol, posterior, lambda, counters);
    maxChange = -std::numeric_limits<double>::max();
    for (std::size_t j = 0; j < k; ++j) {
      const double change = std::fabs(lambda[j] - previous[j]);
      if (change > maxChange) maxChange = change;
    }
    ++iteration;
    if (counters != nullptr) ++counters->emPasses;
  }
}

double logLikelihood(std::span<const std::int32_t> counts, std::span<const double> lambda,
                     std::span<const double> weight) {
  const std::size_t k = lambda.size();
  requireSameSize(weight.size(), k, "logLikelihood: weight must have k entries");
  std::vector<double> lnL(k);
  std::vector<double> lnT(k);
  for (std::size_t j = 0; j < k; ++j) {
    lnL[j] = std::log(lambda[j]);
    lnT[j] = logTruncation(lambda[j]);
  }
  double lnFact = 0.0;
  double result = 0.0;
  const int m = static_cast<int>(counts.size());
  for (int x = 1; x <= m; ++x) {
    const double xd = x;
    lnFact = lnFact + std::log(xd);
    double s = 0.0;
    for (std::size_t j = 0; j < k; ++j) {
      s += weight[j] * std::exp(xd * lnL[j] - lnT[j] - lambda[j] - lnFact);
    }
    result = result + static_cast<double>(counts[x - 1]) * std::log(s);
  }
  return result;
}

namespace {

// S = sum_j w_j / (1 - e^-lambda_j).
double inflationSum(std::span<const double> lambda, std::span<const double> weight) {
  requireSameSize(weight.size(), lambda.size(), "population size: weight must have k entries");
  double s = 0.0;
  for (std::size_t j = 0; j < lambda.size(); ++j) s += weight[j] / (1.0 - std::exp(-lambda[j]));
  return s;
}

}  // namespace

double estimateN0(std::span<const std::int32_t> counts, std::span<const double> lambda,
                  std::span<const double> weight) {
  return (inflationSum(lambda, weight) - 1.0) * static_cast<double>(observedUnits(counts));
}

double estimateNall(std::span<const std::int32_t> counts, std::span<const double> lambda,
                    std::span<const double> weight) {
  return inflationSum(lambda, weight) * static_cast<double>(observedUnits(counts));
}

double mixtureKernel(std::span<const double> lambda, std::span<const double> weight, std::int32_t x) {
  requireSameSize(weight.size(), lambda.size(), "mixtureKernel: weight must have k entries");
  const double xd = x;
  double s = 0.0;
  for (std::size_t j = 0; j < lambda.size(); ++j) {
    s += weight[j] * std::exp(xd * std::log(lambda[j]) - logTruncation(lambda[j]) - lambda[j]);
  }
  return s;
}

}  // namespace tallyfold
