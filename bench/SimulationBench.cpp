// Cost of the default simulation study: R = 10 parametric replicates of
// N = 5000 units from lambda = (2, 4), w = (0.5, 0.5), K = 15, each with the
// NPMLE component search, the closed-form estimators and a bootstrap
// evaluation of B = 30 samples; then the summary. And, for comparison, the
// same study without the evaluation and the default Poisson-Gamma run.
#include <benchmark/benchmark.h>

#include <optional>

#include "common/SinglePrecision.h"
#include "numeric/RandomStream.h"
#include "simulation/SimulationEngine.h"
#include "simulation/SimulationSummary.h"

namespace {

using namespace tallyfold;

StudySettings defaultStudy(bool evaluate) {
  StudySettings s;
  s.search = SearchSettings{static_cast<double>(defaults::exactness), defaults::stopCriterion, defaults::maxComponents};
  s.evaluate = evaluate;
  return s;
}

void BM_simulationStudy(benchmark::State& state) {
  const StudySettings settings = defaultStudy(state.range(0) != 0);
  for (auto _ : state) {
    RandomStream stream(12345);
    const StudyResult result = runSimulationStudy(settings, stream, {});
    benchmark::DoNotOptimize(summarizeSimulation(result.tables, settings.populationSize, result.evalMedian));
  }
  state.SetItemsProcessed(state.iterations() * settings.replications);
}
BENCHMARK(BM_simulationStudy)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_poissonGamma(benchmark::State& state) {
  const PoissonGammaSettings settings;
  for (auto _ : state) {
    RandomStream stream(12345);
    const PoissonGammaResult result = runPoissonGammaSimulation(settings, stream, {});
    benchmark::DoNotOptimize(summarizeSimulation(result.tables, settings.populationSize));
  }
  state.SetItemsProcessed(state.iterations() * settings.replications);
}
BENCHMARK(BM_poissonGamma)->Unit(benchmark::kMicrosecond);

}  // namespace
