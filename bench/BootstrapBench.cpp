// Cost of a bootstrap: 200 replicates of the ten-class example table, each
// with the NPMLE component search, the negative-binomial iteration and the
// closed-form estimators, then the summary over the replicates.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <stdexcept>
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
