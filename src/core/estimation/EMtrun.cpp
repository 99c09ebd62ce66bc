#include "estimation/EMtrun.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <utility>
#include <vector>

#include "common/HelperThreads.h"
#include "common/SinglePrecision.h"
#include "data/CountTable.h"
#include "numeric/InlineExp.h"

namespace tallyfold {

namespace {

void requireSameSize(std::size_t a, std::size_t b, const char* what) {
  if (a != b) throw std::invalid_argument(what);
}

// ln(1 - e^-lambda), the log of the zero-truncation factor.
double logTruncation(double lambda) { return std::log(1.0 - std::exp(-lambda)); }

// The logarithms the posteriors are formed from, once per E-step: ln w_j,
// ln lambda_j and ln(1 - e^-lambda_j), and for the lanes the differences
// ln w_l - ln w_j and ln lambda_l - ln lambda_j (the scalar loop forms the
// same differences with the same operations, so they have the same values).
struct PosteriorTerms {
  std::size_t k = 0;
  const double* lnW = nullptr;
  const double* lnL = nullptr;
  const double* lnT = nullptr;
  const double* dW = nullptr;  // dW[j k + l] = ln w_l - ln w_j
  const double* dL = nullptr;
};

PosteriorTerms posteriorTerms(std::span<const double> lambda, std::span<const double> weight,
                              std::vector<double>& scratch, bool differences) {
  const std::size_t k = lambda.size();
  scratch.resize(3 * k + (differences ? 2 * k * k : 0));
  double* lnW = scratch.data();
  double* lnL = lnW + k;
  double* lnT = lnL + k;
  for (std::size_t j = 0; j < k; ++j) {
    lnW[j] = std::log(weight[j]);
    lnL[j] = std::log(lambda[j]);
    lnT[j] = logTruncation(lambda[j]);
  }
  PosteriorTerms terms{k, lnW, lnL, lnT, nullptr, nullptr};
  if (!differences) return terms;
  double* dW = lnT + k;
  double* dL = dW + k * k;
  for (std::size_t j = 0; j < k; ++j) {
    for (std::size_t l = 0; l < k; ++l) {
      dW[j * k + l] = lnW[l] - lnW[j];
      dL[j * k + l] = lnL[l] - lnL[j];
    }
  }
  terms.dW = dW;
  terms.dL = dL;
  return terms;
}

// The term l = j is exactly exp(0) = 1 whenever its parts are finite;
// otherwise (a zero weight gives -inf - -inf) it is computed like the others
// and carries its NaN into the sum.
inline bool selfTermIsOne(const PosteriorTerms& t, std::span<const double> lambda, std::size_t j) {
  return std::isfinite(t.lnW[j]) && std::isfinite(t.lnL[j]) && std::isfinite(t.lnT[j]) && std::isfinite(lambda[j]);
}

// Posterior P(x, j) = 1 / sum_l exp(e_l), with e_l the log of
// w_l p(x; lambda_l) / (w_j p(x; lambda_j)) formed from logarithms, so that
// neither x! nor lambda^x is ever formed. e_l is clamped before the exp:
// above 705 it becomes 700, below -705 it becomes -700. Exp is std::exp or
// its inlined equal. Rows xFirst..xLast; each value depends on its x alone.
template <class Exp>
[[gnu::always_inline]] inline void posteriorRowsWith(const Exp& exp, std::span<const double> lambda,
                                                     const PosteriorTerms& t, Matrix<double>& posterior, int xFirst,
                                                     int xLast) {
  const std::size_t k = t.k;
  const double* lnW = t.lnW;
  const double* lnL = t.lnL;
  const double* lnT = t.lnT;
  for (int x = xFirst; x <= xLast; ++x) {
    const double xd = x;
    for (std::size_t j = 0; j < k; ++j) {
      const bool selfIsOne = selfTermIsOne(t, lambda, j);
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
        sum += exp(e);
      }
      posterior(x, static_cast<int>(j) + 1) = 1.0 / sum;
    }
  }
}

struct LibraryExp {
  double operator()(double x) const { return std::exp(x); }
};

void posteriorRowsLibrary(std::span<const double> lambda, const PosteriorTerms& t, Matrix<double>& posterior,
                          int xFirst, int xLast) {
  posteriorRowsWith(LibraryExp{}, lambda, t, posterior, xFirst, xLast);
}

#ifdef TALLYFOLD_INLINE_EXP
struct InlinedExp {
  const inlineexp::Table* table;
  [[gnu::target("fma")]] double operator()(double x) const { return inlineexp::expFma(x, *table); }
};

[[gnu::target("fma")]] void posteriorRowsFma(std::span<const double> lambda, const PosteriorTerms& t,
                                             Matrix<double>& posterior, int xFirst, int xLast) {
  posteriorRowsWith(InlinedExp{&inlineexp::table()}, lambda, t, posterior, xFirst, xLast);
}

// The same posteriors four classes x at a time, one lane each: every lane
// forms e_l with the scalar loop's operations in its order, and adds the
// terms l = 1..k in that order, so each P(x, j) has the scalar bits. Rows
// from xFirst in blocks of four up to xLast; lanes past xLast are formed
// and not stored.
[[gnu::target("avx2,fma")]] void posteriorRowsAvx2(std::span<const double> lambda, const PosteriorTerms& t,
                                                   Matrix<double>& posterior, int xFirst, int xLast) {
  const std::size_t k = t.k;
  const inlineexp::Table& table = inlineexp::table();
  const double* lnT = t.lnT;
  const double* dW = t.dW;
  const double* dL = t.dL;
  const __m256d upper = _mm256_set1_pd(705.0);
  const __m256d lower = _mm256_set1_pd(-705.0);
  const __m256d upperValue = _mm256_set1_pd(700.0);
  const __m256d lowerValue = _mm256_set1_pd(-700.0);
  const __m256d one = _mm256_set1_pd(1.0);
  const __m256d expOfUpperValue = inlineexp::expFour(upperValue, table);
  const __m256d expOfLowerValue = inlineexp::expFour(lowerValue, table);
  for (std::size_t j = 0; j < k; ++j) {
    const bool selfIsOne = selfTermIsOne(t, lambda, j);
    const __m256d lambdaJ = _mm256_set1_pd(lambda[j]);
    const __m256d tJ = _mm256_set1_pd(lnT[j]);
    double* column = posterior.column(static_cast<int>(j) + 1);
    for (int x0 = xFirst; x0 <= xLast; x0 += 4) {
      const double first = x0;
      const __m256d xd = _mm256_setr_pd(first, first + 1.0, first + 2.0, first + 3.0);
      __m256d sum = _mm256_setzero_pd();
      for (std::size_t l = 0; l < k; ++l) {
        if (l == j && selfIsOne) {
          sum = _mm256_add_pd(sum, one);
          continue;
        }
        __m256d e = _mm256_add_pd(_mm256_set1_pd(dW[j * k + l]), _mm256_mul_pd(xd, _mm256_set1_pd(dL[j * k + l])));
        e = _mm256_sub_pd(e, _mm256_set1_pd(lambda[l]));
        e = _mm256_add_pd(e, lambdaJ);
        e = _mm256_sub_pd(e, _mm256_set1_pd(lnT[l]));
        e = _mm256_add_pd(e, tJ);
        const __m256d above = _mm256_cmp_pd(e, upper, _CMP_GT_OQ);
        const __m256d below = _mm256_cmp_pd(e, lower, _CMP_LT_OQ);
        // Where all four lanes are clamped (components far apart, a class
        // far from one of them) the exponential is a known value.
        if (_mm256_movemask_pd(below) == 0xF) {
          sum = _mm256_add_pd(sum, expOfLowerValue);
          continue;
        }
        if (_mm256_movemask_pd(above) == 0xF) {
          sum = _mm256_add_pd(sum, expOfUpperValue);
          continue;
        }
        e = _mm256_blendv_pd(e, upperValue, above);
        e = _mm256_blendv_pd(e, lowerValue, below);
        sum = _mm256_add_pd(sum, inlineexp::expFour(e, table));
      }
      const __m256d p = _mm256_div_pd(one, sum);
      if (x0 + 3 <= xLast) {
        _mm256_storeu_pd(column + (x0 - 1), p);
      } else {
        alignas(32) double value[4];
        _mm256_store_pd(value, p);
        for (int x = x0; x <= xLast; ++x) column[x - 1] = value[x - x0];
      }
    }
  }
}
#endif

// Below this many exponentials per E-step (m k^2) the classes are not
// shared with helper threads: the handoff would cost more than it saves.
constexpr std::int64_t sharedEStepWork = 4096;

void expectationStep(std::span<const double> lambda, std::span<const double> weight, std::vector<double>& scratch,
                     Matrix<double>& posterior, HelperThreads* helpers, bool lanes = true) {
  const std::size_t k = lambda.size();
  const int m = posterior.rows();
  if (k == 0 || m == 0) return;
  using Rows = void (*)(std::span<const double>, const PosteriorTerms&, Matrix<double>&, int, int);
  Rows rows = posteriorRowsLibrary;
#ifdef TALLYFOLD_INLINE_EXP
  if (lanes && inlineexp::expFourMatchesLibrary()) {
    rows = posteriorRowsAvx2;
  } else if (lanes && inlineexp::expMatchesLibrary()) {
    rows = posteriorRowsFma;
  }
#endif
  const PosteriorTerms terms = posteriorTerms(lambda, weight, scratch, rows != posteriorRowsLibrary);
  const std::int64_t work = static_cast<std::int64_t>(m) * static_cast<std::int64_t>(k * k);
  if (helpers == nullptr || helpers->count() == 1 || work < sharedEStepWork) return rows(lambda, terms, posterior, 1, m);
  // Contiguous blocks of whole four-class groups, a few per thread, so that
  // a thread that comes late finds parts left to take.
  const int groups = (m + 3) / 4;
  const int parts = std::min(groups, 4 * helpers->count());
  helpers->run(parts, [&](int part) {
    const int firstGroup = groups * part / parts;
    const int endGroup = groups * (part + 1) / parts;
    if (firstGroup < endGroup) rows(lambda, terms, posterior, 4 * firstGroup + 1, std::min(m, 4 * endGroup));
  });
}

// The fixed point lambda = (1 - e^-lambda) a / b from lambda = 1.0, exactly
// as written. The map is deterministic, so once a value repeats the one two
// steps before (a fixed point or a two-cycle that the tolerance does not
// accept) the loop could never end: it stops there. A loop that ends by the
// tolerance never meets that condition, so its result is unchanged.
// `limit` is meanUpdateStepLimit, or the next step count at which the loop
// pauses to look at a stop request.
inline bool takesAnotherStep(double beforePrevious, double previous, double lambda, std::int64_t n,
                             double tol, std::int64_t limit) {
  return std::fabs(previous - lambda) > tol && lambda != beforePrevious && n < limit;
}

// The step count at which a loop that has taken n steps pauses next: every
// meanUpdateCheckInterval steps when a stop can be requested, else only at
// the step limit (the loop then runs exactly as without a token).
inline std::int64_t nextPause(std::int64_t n, const std::stop_token& stop) {
  if (!stop.stop_possible()) return meanUpdateStepLimit;
  return std::min(n + meanUpdateCheckInterval, meanUpdateStepLimit);
}

// Whether a loop that left at `limit` after n steps only paused there and
// goes on: it would take another step by the real rules and no stop is
// requested.
inline bool resumesAfterPause(double beforePrevious, double previous, double lambda, std::int64_t n,
                              double tol, std::int64_t limit, const std::stop_token& stop) {
  return n == limit && limit < meanUpdateStepLimit &&
         takesAnotherStep(beforePrevious, previous, lambda, n, tol, meanUpdateStepLimit) &&
         !stop.stop_requested();
}

double meanFixedPointPlain(double a, double b, double tol, std::int64_t& steps, const std::stop_token& stop) {
  double lambda = 1.0;
  double previous = 0.0;
  double beforePrevious = std::numeric_limits<double>::quiet_NaN();
  std::int64_t n = 0;
  std::int64_t limit = nextPause(n, stop);
  for (;;) {
    while (takesAnotherStep(beforePrevious, previous, lambda, n, tol, limit)) {
      beforePrevious = previous;
      previous = lambda;
      lambda = (1.0 - std::exp(-lambda)) * a / b;
      ++n;
    }
    if (!resumesAfterPause(beforePrevious, previous, lambda, n, tol, limit, stop)) break;
    limit = nextPause(n, stop);
  }
  steps += n;
  return lambda;
}

#ifdef TALLYFOLD_INLINE_EXP
#define TALLYFOLD_FUSED_MEAN_STEP 1

// The step of the fixed point is a chain of dependent operations, so its
// latency is the cost of a search. On a processor with fused multiply-add
// the chain is shortened without changing a single bit of the result (per
// step on the development machine: 9.7 -> 7.1 ns for a mean near zero, where
// a search spends most of its steps; 16.3 -> 14.6 ns elsewhere):
//
// - the exponential is the C library's, inlined (numeric/InlineExp.h); below
//   ln2/256 it is a polynomial alone.
// - the division p / b. 1/b is held as an unevaluated sum yHi + yLo (yHi =
//   RN(1/b); the residual 1 - b yHi is exact, Dekker 1971, "A floating-point
//   technique for extending the available precision", Numer. Math. 18), so
//   q = RN(p yHi + t) with t ~ p yLo is p/b to about 2^-103 before its one
//   rounding. b is a float (24-bit significand) and p a double: p/b is never
//   a midpoint between two doubles, and it lies at least 2^-78 |p/b| from
//   every midpoint (p - b mid is a nonzero multiple of the smaller of the
//   two operands' last places). So q is RN(p / b) exactly, and t is
//   computed beside p instead of after it: the chain after the exponential
//   is one multiply and one fused operation instead of a multiply and a
//   division. Operands are kept far from overflow and underflow (a and b in
//   [2^-100, 2^100]).
struct FusedMeanStep {
  double a;
  double yHi;
  double aYLo;
  const inlineexp::Table* table;
};

[[gnu::target("fma")]] FusedMeanStep fusedMeanStep(double a, double b) {
  const double yHi = 1.0 / b;
  const double yLo = __builtin_fma(-yHi, b, 1.0) * yHi;
  return {a, yHi, a * yLo, &inlineexp::table()};
}

[[gnu::target("fma"), gnu::always_inline]] inline double nextMean(const FusedMeanStep& s, double lambda) {
  using namespace inlineexp;
  double p;  // (1 - e^-lambda) a, rounded once as the plain loop rounds it
  double t;  // (1 - e^-lambda) a yLo, to a few ulps
  if (lambda >= nearZeroLow && lambda < nearZeroHigh) {
    const double e = expNearZero(-lambda);
    // 1 - e is exact for e in [0.5, 2] (Sterbenz), so a - e a rounded once
    // is (1 - e) a rounded once.
    p = __builtin_fma(-e, s.a, s.a);
    t = __builtin_fma(-e, s.aYLo, s.aYLo);
  } else {
    const double d = 1.0 - expFma(-lambda, *s.table);
    p = d * s.a;
    t = d * s.aYLo;
  }
  return __builtin_fma(p, s.yHi, t);  // = RN(p / b)
}

// Where a fixed point stands: the values before the previous, the previous
// and the current, the steps taken and the step count of its next pause.
struct ChainState {
  double x0 = std::numeric_limits<double>::quiet_NaN();
  double x1 = 0.0;
  double x2 = 1.0;
  std::int64_t n = 0;
  std::int64_t limit = 0;
};

// One step of the plain loop's rules: false when the chain has ended (its
// result is x2), else it has taken one more step.
[[gnu::target("fma"), gnu::always_inline]] inline bool advanceChain(ChainState& c, const FusedMeanStep& s,
                                                                    double tol, const std::stop_token& stop) {
  if (!takesAnotherStep(c.x0, c.x1, c.x2, c.n, tol, c.limit)) {
    if (!resumesAfterPause(c.x0, c.x1, c.x2, c.n, tol, c.limit, stop)) return false;
    c.limit = nextPause(c.n, stop);
  }
  c.x0 = c.x1;
  c.x1 = c.x2;
  c.x2 = nextMean(s, c.x2);
  ++c.n;
  return true;
}

// The plain loop's steps and stopping rule, from a chain that has taken a
// multiple of three steps. The loop keeps three values (the one before the
// previous, the previous and the current); unrolled three times they rotate
// through three variables and no value is copied on the chain of dependent
// steps (the copy cost ~1 ns per step). A pause for a stop request falls on
// a multiple of three steps, so always at the top of a round, where the
// rotation is back in order and the round can resume.
[[gnu::target("fma")]] double finishChainFma(const FusedMeanStep& step, ChainState c, double tol,
                                             std::int64_t& steps, const std::stop_token& stop) {
  double x0 = c.x0;
  double x1 = c.x1;
  double x2 = c.x2;
  double result = x2;
  std::int64_t n = c.n;
  std::int64_t limit = c.limit;
  for (;;) {
    if (!takesAnotherStep(x0, x1, x2, n, tol, limit)) {
      if (resumesAfterPause(x0, x1, x2, n, tol, limit, stop)) {
        limit = nextPause(n, stop);
        continue;
      }
      result = x2;
      break;
    }
    x0 = nextMean(step, x2);  // now (x1, x2, x0)
    ++n;
    if (!takesAnotherStep(x1, x2, x0, n, tol, limit)) {
      result = x0;
      break;
    }
    x1 = nextMean(step, x0);  // now (x2, x0, x1)
    ++n;
    if (!takesAnotherStep(x2, x0, x1, n, tol, limit)) {
      result = x1;
      break;
    }
    x2 = nextMean(step, x1);  // now (x0, x1, x2)
    ++n;
  }
  steps += n;
  return result;
}

[[gnu::target("fma")]] double meanFixedPointFma(double a, double b, double tol, std::int64_t& steps,
                                                const std::stop_token& stop) {
  ChainState start;
  start.limit = nextPause(0, stop);
  return finishChainFma(fusedMeanStep(a, b), start, tol, steps, stop);
}

// Advances the lanes I..., one step each in turn, until one of them ends;
// returns its index. The lanes are copied into locals so that they live in
// registers.
template <std::size_t N, std::size_t... I>
[[gnu::target("fma")]] std::size_t advanceUntilOneEnds(std::array<ChainState, N>& lanes,
                                                       const std::array<FusedMeanStep, N>& laneStep, double tol,
                                                       const std::stop_token& stop, std::index_sequence<I...>) {
  constexpr std::size_t w = sizeof...(I);
  std::array<ChainState, w> c{lanes[I]...};
  const std::array<FusedMeanStep, w> s{laneStep[I]...};
  std::size_t ended = w;
  while (ended == w) {
    // Lanes after the one that ends wait for the next call.
    (void)((advanceChain(c[I], s[I], tol, stop) || (ended = I, false)) && ...);
  }
  ((lanes[I] = c[I]), ...);
  return ended;
}

// Several fixed points at once: each step of a chain waits for the one
// before it, so one chain keeps the processor mostly idle; up to four chains
// advanced in one loop overlap their latencies. Every chain takes exactly
// the steps it takes alone. A finished chain leaves its lane to the next
// waiting one; the last chain runs alone on the unrolled loop.
[[gnu::target("fma")]] void meanFixedPointsFma(std::span<const FusedMeanStep> step, std::span<double> result,
                                               double tol, std::int64_t& steps, const std::stop_token& stop) {
  constexpr std::size_t width = 4;
  std::array<ChainState, width> lane{};
  std::array<FusedMeanStep, width> laneStep{};
  std::array<std::size_t, width> chainOf{};
  std::size_t active = 0;
  std::size_t next = 0;
  const auto fill = [&](std::size_t i) {
    lane[i] = ChainState{};
    lane[i].limit = nextPause(0, stop);
    laneStep[i] = step[next];
    chainOf[i] = next++;
  };
  while (active < width && next < step.size()) fill(active++);
  while (active > 1 || (active == 1 && next < step.size())) {
    std::size_t i = 0;
    switch (active) {
      case 4: i = advanceUntilOneEnds(lane, laneStep, tol, stop, std::make_index_sequence<4>{}); break;
      case 3: i = advanceUntilOneEnds(lane, laneStep, tol, stop, std::make_index_sequence<3>{}); break;
      case 2: i = advanceUntilOneEnds(lane, laneStep, tol, stop, std::make_index_sequence<2>{}); break;
      default: i = advanceUntilOneEnds(lane, laneStep, tol, stop, std::make_index_sequence<1>{}); break;
    }
    result[chainOf[i]] = lane[i].x2;
    steps += lane[i].n;
    if (next < step.size()) {
      fill(i);
    } else {
      --active;
      lane[i] = lane[active];
      laneStep[i] = laneStep[active];
      chainOf[i] = chainOf[active];
    }
  }
  if (active == 1) {
    // Bring the chain to a multiple of three steps, where the unrolled loop
    // starts its rounds.
    ChainState& c = lane[0];
    while (c.n % 3 != 0) {
      if (!advanceChain(c, laneStep[0], tol, stop)) {
        result[chainOf[0]] = c.x2;
        steps += c.n;
        return;
      }
    }
    result[chainOf[0]] = finishChainFma(laneStep[0], c, tol, steps, stop);
  }
}

bool fusedStepApplies(double a, double b) {
  constexpr double low = 0x1p-100;
  constexpr double high = 0x1p100;
  return a >= low && a <= high && b >= low && b <= high && inlineexp::expMatchesLibrary();
}
#endif

}  // namespace

double truncatedMeanFixedPoint(float sumXfP, float sumFP, double tol, std::int64_t& steps, std::stop_token stop) {
  const double a = sumXfP;
  const double b = sumFP;
#ifdef TALLYFOLD_FUSED_MEAN_STEP
  if (fusedStepApplies(a, b)) return meanFixedPointFma(a, b, tol, steps, stop);
#endif
  return meanFixedPointPlain(a, b, tol, steps, stop);
}

void truncatedMeanFixedPoints(std::span<const float> sumXfP, std::span<const float> sumFP, double tol,
                              std::span<double> lambda, std::int64_t& steps, std::stop_token stop) {
  const std::size_t k = lambda.size();
  requireSameSize(sumXfP.size(), k, "truncatedMeanFixedPoints: sumXfP must have k entries");
  requireSameSize(sumFP.size(), k, "truncatedMeanFixedPoints: sumFP must have k entries");
#ifdef TALLYFOLD_FUSED_MEAN_STEP
  std::vector<FusedMeanStep> fused;
  std::vector<std::size_t> fusedIndex;
  for (std::size_t j = 0; j < k; ++j) {
    const double a = sumXfP[j];
    const double b = sumFP[j];
    if (fusedStepApplies(a, b)) {
      fused.push_back(fusedMeanStep(a, b));
      fusedIndex.push_back(j);
    } else {
      lambda[j] = meanFixedPointPlain(a, b, tol, steps, stop);
    }
  }
  std::vector<double> fusedResult(fused.size());
  meanFixedPointsFma(fused, fusedResult, tol, steps, stop);
  for (std::size_t i = 0; i < fused.size(); ++i) lambda[fusedIndex[i]] = fusedResult[i];
#else
  for (std::size_t j = 0; j < k; ++j) lambda[j] = meanFixedPointPlain(sumXfP[j], sumFP[j], tol, steps, stop);
#endif
}

void expectationStep(std::span<const double> lambda, std::span<const double> weight, Matrix<double>& posterior,
                     bool lanes, HelperThreads* helpers) {
  requireSameSize(weight.size(), lambda.size(), "expectationStep: weight must have k entries");
  requireSameSize(static_cast<std::size_t>(posterior.cols()), lambda.size(), "expectationStep: posterior must have k columns");
  std::vector<double> scratch;
  expectationStep(lambda, weight, scratch, posterior, helpers, lanes);
}

void updateLambdas(std::span<const std::int32_t> counts, double tol, const Matrix<double>& posterior,
                   std::span<double> lambda, FitCounters* counters, std::stop_token stop) {
  const int m = static_cast<int>(counts.size());
  const int k = static_cast<int>(lambda.size());
  if (posterior.rows() != m || posterior.cols() < k) {
    throw std::invalid_argument("updateLambdas: posterior must be m x k");
  }
  std::vector<float> sumsXfP(static_cast<std::size_t>(k));
  std::vector<float> sumsFP(static_cast<std::size_t>(k));
  for (int j = 1; j <= k; ++j) {
    const double* p = posterior.column(j);
    double sumXfP = 0.0;
    double sumFP = 0.0;
    for (int x = 1; x <= m; ++x) {
      const double f = counts[x - 1];
      sumXfP += static_cast<double>(static_cast<std::int64_t>(x) * counts[x - 1]) * p[x - 1];
      sumFP += f * p[x - 1];
    }
    sumsXfP[static_cast<std::size_t>(j) - 1] = static_cast<float>(sumXfP);
    sumsFP[static_cast<std::size_t>(j) - 1] = static_cast<float>(sumFP);
  }
  std::int64_t steps = 0;
  if (!stop.stop_requested()) truncatedMeanFixedPoints(sumsXfP, sumsFP, tol, lambda, steps, stop);
  if (counters != nullptr) counters->meanUpdateSteps += steps;
}

void emFit(std::span<const std::int32_t> counts, double eps, std::span<const double> lambdaIn,
           std::span<const double> weightIn, std::span<double> lambda, std::span<double> weight,
           Matrix<double>& posterior, FitCounters* counters, std::stop_token stop, HelperThreads* helpers) {
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
    if (iteration > emIterationLimit || stop.stop_requested()) break;
    expectationStep(lambda, weight, scratch, posterior, helpers);
    for (std::size_t j = 0; j < k; ++j) {
      const double* p = posterior.column(static_cast<int>(j) + 1);
      double sum = 0.0;
      for (int x = 1; x <= m; ++x) sum += static_cast<double>(counts[x - 1]) * p[x - 1];
      weight[j] = sum / n;
    }
    std::copy(lambda.begin(), lambda.end(), previous.begin());
    updateLambdas(counts, tol, posterior, lambda, counters, stop);
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
