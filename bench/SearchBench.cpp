// Cost of the component search and of its inner loop, the mean fixed point
// lambda = (1 - e^-lambda) A / B of the EM's mean update. Every figure is
// per search (or per fixed-point solve); the counters give the EM passes and
// the mean-update steps of one search and the CPU time per step.
//
// Tables: the ten-class table (120, 60, 30, 20, 15, 10, 8, 6, 4, 2), whose
// NPMLE needs three components and tens of millions of steps, and a
// 40-class long-tailed table with a geometric tail, f(x) = round(200 *
// 0.9^(x - 1)) for x = 1..40 (200, 180, 162, ..., 4, 3); the eleven-class
// table 222, 4, 222, 28, 66, 12, 1, 0, 7, 15, 0; and the 265-class long-
// tailed table of bench/data/longtail265.txt (drawn by draw_long_tail, see
// DrawLongTail.cpp).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/SinglePrecision.h"
#include "estimation/EMtrun.h"
#include "estimation/EMtrun_alg.h"
#include "settings/Defaults.h"

namespace {

using tallyfold::FitCounters;
using tallyfold::SearchSettings;
using tallyfold::StopCriterion;

const std::vector<std::int32_t> tenClasses{120, 60, 30, 20, 15, 10, 8, 6, 4, 2};

std::vector<std::int32_t> geometricTail() {
  std::vector<std::int32_t> counts(40);
  for (int x = 1; x <= 40; ++x) counts[x - 1] = static_cast<std::int32_t>(std::lround(200.0 * std::pow(0.9, x - 1)));
  return counts;
}

const std::vector<std::int32_t> elevenClasses{222, 4, 222, 28, 66, 12, 1, 0, 7, 15, 0};

// One count a line, from the benchmarks' data folder.
std::vector<std::int32_t> benchTable(const char* name) {
  std::ifstream in(std::string(TALLYFOLD_BENCH_DATA) + "/" + name);
  if (!in) throw std::runtime_error(std::string("cannot read bench table ") + name);
  std::vector<std::int32_t> counts;
  for (std::int32_t f = 0; in >> f;) counts.push_back(f);
  return counts;
}

void report(benchmark::State& state, const FitCounters& counters) {
  state.counters["em_passes"] = static_cast<double>(counters.emPasses);
  state.counters["mean_update_steps"] = static_cast<double>(counters.meanUpdateSteps);
  // CPU seconds per step over all iterations.
  state.counters["time_per_step"] =
      benchmark::Counter(static_cast<double>(counters.meanUpdateSteps) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_componentSearch(benchmark::State& state, const std::vector<std::int32_t>& counts, StopCriterion criterion,
                        std::int32_t maxComponents, std::int32_t threads = 1) {
  const SearchSettings settings{static_cast<double>(tallyfold::defaults::exactness), criterion, maxComponents,
                                threads};
  FitCounters counters;
  for (auto _ : state) {
    const tallyfold::SearchResult result = tallyfold::componentSearch(counts, settings, false, {});
    benchmark::DoNotOptimize(result.maxGradient);
    counters = result.counters;
  }
  report(state, counters);
}
BENCHMARK_CAPTURE(BM_componentSearch, tenClasses_NPMLE, tenClasses, StopCriterion::npmle, 2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_componentSearch, tenClasses_BIC, tenClasses, StopCriterion::bic, 2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_componentSearch, tenClasses_MAX2, tenClasses, StopCriterion::max, 2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_componentSearch, geometric40_NPMLE, geometricTail(), StopCriterion::npmle, 2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_componentSearch, geometric40_BIC, geometricTail(), StopCriterion::bic, 2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_componentSearch, geometric40_MAX2, geometricTail(), StopCriterion::max, 2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_componentSearch, elevenClasses_NPMLE, elevenClasses, StopCriterion::npmle, 2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_componentSearch, longTail265_NPMLE, benchTable("longtail265.txt"), StopCriterion::npmle, 2)
    ->Unit(benchmark::kMillisecond);
// The same search with the E-step's classes shared between two threads
// (wall time: the CPU time counts both threads).
BENCHMARK_CAPTURE(BM_componentSearch, longTail265_NPMLE_twoThreads, benchTable("longtail265.txt"),
                  StopCriterion::npmle, 2, 2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One fixed-point solve at the default tolerance of a trial fit: A/B just
// above 1 drives the mean towards zero (the slow case of a search, almost
// every step below ln2/256); A/B = 1.1 settles at 0.19 through larger means.
void BM_meanFixedPoint(benchmark::State& state, float a, float b) {
  const double tol = 0.5 * static_cast<double>(tallyfold::defaults::exactness) *
                     static_cast<double>(tallyfold::single::meanStepFactor);
  FitCounters counters;
  for (auto _ : state) {
    std::int64_t steps = 0;
    benchmark::DoNotOptimize(tallyfold::truncatedMeanFixedPoint(a, b, tol, steps));
    counters.meanUpdateSteps = steps;
  }
  report(state, counters);
}
BENCHMARK_CAPTURE(BM_meanFixedPoint, mean_near_zero, 1.0000001f, 1.0f)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_meanFixedPoint, mean_0_19, 1.1f, 1.0f)->Unit(benchmark::kMicrosecond);

// Four such solves with means near zero at once, as the mean update of a
// mixture with several small means runs them (interleaved).
void BM_meanFixedPoints(benchmark::State& state) {
  const double tol = 0.5 * static_cast<double>(tallyfold::defaults::exactness) *
                     static_cast<double>(tallyfold::single::meanStepFactor);
  const std::vector<float> a{1.0000001f, 1.0000002f, 1.0000003f, 1.0000004f};
  const std::vector<float> b(a.size(), 1.0f);
  std::vector<double> lambda(a.size());
  FitCounters counters;
  for (auto _ : state) {
    std::int64_t steps = 0;
    tallyfold::truncatedMeanFixedPoints(a, b, tol, lambda, steps);
    benchmark::DoNotOptimize(lambda.data());
    counters.meanUpdateSteps = steps;
  }
  report(state, counters);
}
BENCHMARK(BM_meanFixedPoints)->Unit(benchmark::kMicrosecond);

}  // namespace
