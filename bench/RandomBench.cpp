// Cost of the random stream: uniforms, binomial deviates in both regimes,
// BTPE across N (the cost per deviate must not grow with N), and the
// multinomial samples that a simulation replicate draws.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "numeric/RandomStream.h"

namespace {

using tallyfold::RandomStream;

void BM_uniformDeviate(benchmark::State& state) {
  RandomStream stream(12345);
  for (auto _ : state) benchmark::DoNotOptimize(stream.uniformDeviate());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_uniformDeviate);

// RNBIN(1000, N, P): items are deviates. N = 20, P = 0.3 inverts
// (N P = 6); N = 1000, P = 0.3 uses BTPE with its cached setup.
void BM_RNBIN(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const float p = static_cast<float>(state.range(1)) / 1000.0f;
  RandomStream stream(12345);
  std::vector<int> ir(1000);
  for (auto _ : state) {
    stream.RNBIN(static_cast<int>(ir.size()), n, p, ir.data());
    benchmark::DoNotOptimize(ir.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(ir.size()));
}
BENCHMARK(BM_RNBIN)
    ->ArgNames({"N", "Px1000"})
    ->Args({20, 300})        // inversion, N P = 6
    ->Args({33, 300})        // inversion, N P = 9.9
    ->Args({34, 300})        // BTPE, N P = 10.2
    ->Args({100, 300})       // BTPE
    ->Args({10000, 300})     // BTPE
    ->Args({1000000, 300})   // BTPE
    ->Args({100000000, 300});  // BTPE

// One deviate per call with a new N each time, as the conditional
// binomials of a multinomial vector are drawn: the BTPE setup is redone.
void BM_RNBIN_newSetupEachCall(benchmark::State& state) {
  RandomStream stream(12345);
  int n = 1000;
  int y = 0;
  for (auto _ : state) {
    stream.RNBIN(1, n, 0.3f, &y);
    n = n == 1000 ? 1001 : 1000;
    benchmark::DoNotOptimize(y);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RNBIN_newSetupEachCall);

// RNMTN(1000, 5000, 16): the probabilities of the counts 0 .. 15 under the
// Poisson mixture of means 2 and 4 with equal weights, normalised. Items
// are multinomial vectors.
void BM_RNMTN_poissonMixture(benchmark::State& state) {
  const int nr = 1000, n = 5000, k = 16;
  std::vector<float> p(k);
  float sum = 0.0f;
  for (int x = 0; x < k; ++x) {
    const double logFactorial = std::lgamma(x + 1.0);
    p[static_cast<std::size_t>(x)] = static_cast<float>(0.5 * std::exp(x * std::log(2.0) - 2.0 - logFactorial) +
                                                        0.5 * std::exp(x * std::log(4.0) - 4.0 - logFactorial));
    sum += p[static_cast<std::size_t>(x)];
  }
  for (float& v : p) v /= sum;
  RandomStream stream(12345);
  std::vector<int> ir(static_cast<std::size_t>(nr) * k);
  for (auto _ : state) {
    stream.RNMTN(nr, n, k, p.data(), ir.data(), nr);
    benchmark::DoNotOptimize(ir.data());
  }
  state.SetItemsProcessed(state.iterations() * nr);
}
BENCHMARK(BM_RNMTN_poissonMixture)->Unit(benchmark::kMillisecond);

}  // namespace
