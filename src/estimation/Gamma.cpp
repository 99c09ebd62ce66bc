#include "estimation/Gamma.h"

#include <cmath>
#include <vector>

#include "estimation/CountTable.h"
#include "estimation/Zelterman.h"
#include "numeric/GammaFunctions.h"

namespace tallyfold {

namespace {

// S = sum h[i], summed and rounded to single precision.
double tableSize(int count, const float* h) {
  double s = 0.0;
  for (int i = 0; i < count; ++i) s += static_cast<double>(h[i]);
  return static_cast<double>(static_cast<float>(s));
}

// base^n in single precision by repeated squaring, n >= 0.
float integerPower(float base, std::int32_t n) {
  auto e = static_cast<std::uint32_t>(n);
  float result = (e % 2U != 0U) ? base : 1.0f;
  while ((e >>= 1U) != 0U) {
    base = base * base;
    if (e % 2U != 0U) result = result * base;
  }
  return result;
}

// Smallest shape accepted: GAMMA overflows for arguments closer to zero than
// about 1.19E-38, and such a shape means no usable fit anyway.
constexpr float smallestShape = 1.0e-37f;

}  // namespace

double classMean(int count, const float* h) {
  double sum = 0.0;
  for (int i = 1; i < count; ++i) sum += static_cast<double>(i) * static_cast<double>(h[i]);
  return sum / tableSize(count, h);
}

double classVariance(int count, const float* h, double mean) {
  double sum = 0.0;
  for (int i = 1; i < count; ++i) {
    const std::int64_t square = static_cast<std::int64_t>(i) * i;
    sum += static_cast<double>(square) * static_cast<double>(h[i]);
  }
  return sum / tableSize(count, h) - mean * mean;
}

double logGamma(float a) {
  if (a < 35.0f) return std::log(static_cast<double>(GAMMA(a)));
  return static_cast<double>(4.16236f) * static_cast<double>(a) - static_cast<double>(57.1018f);
}

double negBinProb(std::int32_t x, float kappa, float p) {
  const float a = static_cast<float>(x) + kappa;
  const float b = static_cast<float>(x) + 1.0f;
  const double c = std::exp(logGamma(a) - (logGamma(b) + logGamma(kappa)));
  const float q = integerPower(1.0f - p, x);
  return c * static_cast<double>(q) * std::pow(static_cast<double>(p), static_cast<double>(kappa));
}

namespace {

// How negBinIterate ended: with an estimate, at the iteration limit (f0 =
// -1.0, total n - 1), or without an estimate.
enum class NegBinOutcome { converged, iterationLimit, noOverdispersion, noShape, notFinite };

// The fixed point f0 = p^kappa (n + f0) from h(0) = start; see
// negBinEstimate. Leaves f0 and total untouched without an estimate.
NegBinOutcome negBinIterate(std::span<const std::int32_t> counts, double start, double eps, double& f0,
                            double& total) {
  const int entries = static_cast<int>(counts.size()) + 1;
  std::vector<float> h(static_cast<std::size_t>(entries));
  h[0] = static_cast<float>(start);
  for (std::size_t x = 1; x < h.size(); ++x) h[x] = static_cast<float>(counts[x - 1]);

  double estimate = 0.0;
  double previous = 0.0;
  double difference = 1.0;
  std::int32_t iteration = 0;
  while (eps < difference) {
    if (iteration >= negBinIterationLimit) break;
    const double mean = classMean(entries, h.data());
    const double variance = classVariance(entries, h.data(), mean);
    // Without overdispersion no negative binomial has these moments.
    if (!(variance > mean)) return NegBinOutcome::noOverdispersion;
    const auto kappa = static_cast<float>(mean * mean / (variance - mean));
    const auto p = static_cast<float>(mean / variance);
    if (!(kappa >= smallestShape) || !std::isfinite(kappa) || !(p > 0.0f)) return NegBinOutcome::noShape;
    const double size = tableSize(entries, h.data());
    estimate = negBinProb(0, kappa, p) * size;
    if (!std::isfinite(estimate)) return NegBinOutcome::notFinite;
    h[0] = static_cast<float>(estimate);
    difference = std::fabs(previous - estimate);
    previous = estimate;
    ++iteration;
  }
  const bool limitReached = iteration >= negBinIterationLimit;
  if (limitReached) {
    estimate = -1.0;
    h[0] = -1.0f;
  }
  const double completed = tableSize(entries, h.data());
  if (!std::isfinite(completed)) return NegBinOutcome::notFinite;
  if (iteration > 0) f0 = estimate;  // eps >= 1.0 leaves the caller's value
  total = completed;
  return limitReached ? NegBinOutcome::iterationLimit : NegBinOutcome::converged;
}

// Why an outcome is no estimate, in words for the user.
std::string describe(NegBinOutcome outcome) {
  switch (outcome) {
    case NegBinOutcome::iterationLimit: return std::string(negBinIterationLimitReason);
    case NegBinOutcome::noOverdispersion:
      return "no overdispersion: the variance of the completed table does not exceed its mean";
    case NegBinOutcome::noShape:
      return "no usable fit: the shape kappa is below 1.0E-37 or not finite, or p is not positive";
    case NegBinOutcome::notFinite: return "the iteration has no finite value";
    case NegBinOutcome::converged: break;
  }
  return {};
}

}  // namespace

bool negBinEstimate(std::span<const std::int32_t> counts, double eps, double& f0, double& total) {
  if (countTableProblem(counts)) return false;
  const WholeEstimate chaoValue = chao(counts);
  if (!chaoValue) return false;
  const NegBinOutcome outcome = negBinIterate(counts, *chaoValue, eps, f0, total);
  return outcome == NegBinOutcome::converged || outcome == NegBinOutcome::iterationLimit;
}

NegBinResult negativeBinomial(std::span<const std::int32_t> counts, double eps) {
  NegBinResult result;
  if (std::optional<std::string> problem = countTableProblem(counts)) {
    result.reason = std::move(*problem);
    return result;
  }
  const WholeEstimate chaoValue = chao(counts);
  if (!chaoValue) {
    result.reason = "no Chao start value: " + chaoProblem(counts).value_or("no finite value");
    return result;
  }
  double f0 = *chaoValue;
  double total = 0.0;
  const NegBinOutcome outcome = negBinIterate(counts, *chaoValue, eps, f0, total);
  if (outcome != NegBinOutcome::converged) {
    // The limit's marker f0 = -1.0 is no estimate, and neither is its n - 1.
    result.reason = describe(outcome);
    return result;
  }
  result.n0 = wholeEstimate(f0);
  result.n = wholeEstimate(total);
  return result;
}

}  // namespace tallyfold
