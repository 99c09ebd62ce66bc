// Cost of a bootstrap: 200 replicates of the ten-class example table, each
// with the component search, the negative-binomial iteration and the
// closed-form estimators, then the summary over the replicates; and how the
// replicates' pool of threads speeds it up.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/SinglePrecision.h"
#include "data/CountFile.h"
#include "numeric/RandomStream.h"
#include "simulation/BootstrapEngine.h"
#include "simulation/SimulationSummary.h"

namespace {

using namespace tallyfold;

std::vector<std::int32_t> tenClasses() {
  const std::filesystem::path file =
      std::filesystem::path(__FILE__).parent_path().parent_path() / "examples" / "tenclasses.txt";
  const CountFile table = readCountFile(file.string());
  if (table.problem) throw std::runtime_error("cannot read " + file.string());
  return table.counts;
}

const SearchSettings defaults{static_cast<double>(tallyfold::defaults::exactness), tallyfold::defaults::stopCriterion,
                              tallyfold::defaults::maxComponents};

// One bootstrap of R replicates per iteration, from the same seed each time.
void BM_bootstrap(benchmark::State& state) {
  const std::vector<std::int32_t> counts = tenClasses();
  const auto replications = static_cast<std::int32_t>(state.range(0));
  for (auto _ : state) {
    RandomStream stream(12345);
    const BootstrapResult result = bootstrapReplicates(counts, defaults, replications, stream, {});
    benchmark::DoNotOptimize(summarizeSimulation(result.tables, std::nullopt));
  }
  state.SetItemsProcessed(state.iterations() * replications);
}
BENCHMARK(BM_bootstrap)->Arg(200)->Unit(benchmark::kMillisecond);

// The same 200 replicates under MAX 2 (range 0 = 3) or NPMLE (range 0 = 1)
// on range(1) threads: the pool's speed-up is the ratio of the times for 1
// and 2 threads. The replicates' tables are the same for every thread count.
void BM_bootstrapThreads(benchmark::State& state) {
  const std::vector<std::int32_t> counts = tenClasses();
  const SearchSettings settings{defaults.exactness, static_cast<StopCriterion>(state.range(0)), 2};
  const auto threads = static_cast<std::int32_t>(state.range(1));
  constexpr std::int32_t replications = 200;
  for (auto _ : state) {
    RandomStream stream(12345);
    const BootstrapResult result = bootstrapReplicates(counts, settings, replications, stream, {}, {}, {}, threads);
    benchmark::DoNotOptimize(summarizeSimulation(result.tables, std::nullopt));
  }
  state.SetItemsProcessed(state.iterations() * replications);
  state.SetLabel(std::string(criterionName(settings.stopCriterion)) + ", " + std::to_string(threads) + " threads");
}
BENCHMARK(BM_bootstrapThreads)
    ->ArgNames({"criterion", "threads"})
    ->ArgsProduct({{static_cast<int>(StopCriterion::max), static_cast<int>(StopCriterion::npmle)}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The evaluation a simulation replicate makes: 30 bootstrap fits.
void BM_evaluateBootstrap(benchmark::State& state) {
  const std::vector<std::int32_t> counts = tenClasses();
  for (auto _ : state) {
    RandomStream stream(12345);
    benchmark::DoNotOptimize(evaluateBootstrap(counts, defaults, 30, stream, {}).median);
  }
}
BENCHMARK(BM_evaluateBootstrap)->Unit(benchmark::kMillisecond);

}  // namespace
