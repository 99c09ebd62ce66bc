#include "simulation/getSample.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "common/ListDirected.h"
#include "estimation/Gamma.h"
#include "numeric/ErrorReporting.h"
#include "numeric/PoissonProbability.h"
#include "numeric/RandomStream.h"

namespace tallyfold {

namespace {

// Normalises p in single precision, the sum accumulated in order.
void normalise(std::vector<float>& p) {
  float s = 0.0f;
  for (const float v : p) s += v;
  for (float& v : p) v = v / s;
}

// Binomial deviates per chunk of a draw that can be stopped: about 15 ms.
constexpr int deviatesPerChunk = 1 << 16;

// nr multinomial vectors of n trials over the normalised p. A draw that can
// be stopped runs as RNMTN over chunks of rows of the same table; the first
// chunk checks the arguments exactly as the whole draw would (the row count
// is only checked to be at least 1 and at most the leading dimension).
SampleTable drawNormalised(const std::vector<float>& p, int nr, std::int32_t n, RandomStream& stream,
                           const std::stop_token& stop) {
  const int k = static_cast<int>(p.size());
  SampleTable samples(nr, k);
  const int chunk = std::max(1, deviatesPerChunk / std::max(k, 1));
  if (!stop.stop_possible() || nr <= chunk) {
    // RNMTN checks every argument before it writes anything.
    stream.RNMTN(nr, n, k, p.data(), samples.data(), nr);
    return samples;
  }
  for (int first = 0; first < nr && !stop.stop_requested(); first += chunk) {
    stream.RNMTN(std::min(chunk, nr - first), n, k, p.data(), samples.data() + first, nr);
  }
  return samples;
}

// The sample size as RNMTN takes it; a sum beyond 32 bits is reported as a
// terminal error (RNMTN itself reports one below 1).
std::int32_t sampleSize(std::int64_t n) {
  if (n > std::numeric_limits<std::int32_t>::max()) {
    E1PSH("drawFromFrequencies");
    int code = 1;
    checkIntRange(n, "N", 1, std::numeric_limits<std::int32_t>::max(), code);
    E1POP("drawFromFrequencies");
  }
  return static_cast<std::int32_t>(n);
}

}  // namespace

std::vector<float> frequencyProbabilities(std::span<const std::int32_t> freq) {
  std::int64_t total = 0;
  for (const std::int32_t f : freq) total += f;
  const std::int32_t n = sampleSize(total);
  std::vector<float> p(freq.size());
  for (std::size_t x = 0; x < freq.size(); ++x) {
    p[x] = n == 0 ? 0.0f : static_cast<float>(static_cast<double>(freq[x]) / static_cast<double>(n));
    if (p[x] == 0.0f) p[x] = 1.0e-6f;  // an empty class can still receive units
  }
  normalise(p);
  return p;
}

SampleTable drawFromFrequencies(std::span<const std::int32_t> freq, int nr, RandomStream& stream,
                                std::stop_token stop) {
  std::int64_t total = 0;
  for (const std::int32_t f : freq) total += f;
  return drawNormalised(frequencyProbabilities(freq), nr, sampleSize(total), stream, stop);
}

std::vector<float> poissonMixtureProbabilities(int k, std::span<const double> lambda, std::span<const double> weight) {
  std::vector<float> p(k < 0 ? 0U : static_cast<std::size_t>(k), 0.0f);
  const std::size_t components = std::min(lambda.size(), weight.size());
  for (std::size_t x = 0; x < p.size(); ++x) {
    for (std::size_t j = 0; j < components; ++j) {
      const float poisson = POIPR(static_cast<int>(x), static_cast<float>(lambda[j]));
      p[x] = static_cast<float>(static_cast<double>(p[x]) + static_cast<double>(poisson) * weight[j]);
    }
  }
  normalise(p);
  return p;
}

SampleTable drawFromPoissonMixture(int k, std::span<const double> lambda, std::span<const double> weight, int nr,
                                   std::int32_t n, RandomStream& stream, std::stop_token stop) {
  return drawNormalised(poissonMixtureProbabilities(k, lambda, weight), nr, n, stream, stop);
}

std::vector<float> negativeBinomialProbabilities(double alpha, double kappa, int k, const LogSink& log) {
  std::vector<float> p(k < 0 ? 0U : static_cast<std::size_t>(k), 0.0f);
  const auto kappaSingle = static_cast<float>(kappa);
  const auto alphaSingle = static_cast<float>(alpha);
  for (std::size_t x = 0; x < p.size(); ++x) {
    const auto count = static_cast<std::int32_t>(x);
    p[x] = static_cast<float>(negBinProb(count, kappaSingle, alphaSingle));
    if (log) log(listDirected("spi=", p[x], ":  ", count + 1));
    if (p[x] == 0.0f) p[x] = 1.0e-9f;
  }
  normalise(p);
  return p;
}

SampleTable drawFromNegativeBinomial(double alpha, double kappa, int k, std::int32_t n, int nr, RandomStream& stream,
                                     const LogSink& log, std::stop_token stop) {
  SampleTable samples = drawNormalised(negativeBinomialProbabilities(alpha, kappa, k, log), nr, n, stream, stop);
  if (log && !stop.stop_requested()) log(listDirected("test1"));
  return samples;
}

std::optional<int> undrawableCategory(std::span<const float> p) {
  if (p.size() < 2) return 1;
  for (std::size_t j = 0; j < p.size(); ++j) {
    if (!(p[j] > 0.0f && p[j] < 1.0f)) return static_cast<int>(j) + 1;
  }
  // The same running remainder as RNMTN's chain of conditional binomials.
  float rest = 1.0f;
  for (std::size_t j = 0; j + 1 < p.size(); ++j) {
    const float pc = p[j] / rest;
    rest -= p[j];
    if (!(pc > 0.0f && pc < 1.0f)) return static_cast<int>(j) + 1;
  }
  return std::nullopt;
}

std::vector<std::int32_t> sampleRow(const SampleTable& samples, int r, int first, int last) {
  std::vector<std::int32_t> row;
  for (int x = first; x <= last; ++x) row.push_back(samples(r, x));
  return row;
}

}  // namespace tallyfold
