#pragma once
// The settings values every part of the program starts from, each written
// once: the shared state of the windowed program, the engines' settings
// and the command-line options (with their help texts) all take them from
// here, so a default cannot differ between the window and the command line.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "common/SinglePrecision.h"

namespace tallyfold {

// The stop criterion of the component search, in the program's numbering:
// the NPMLE condition, the BIC, or a maximum number of components.
enum class StopCriterion : std::int32_t { npmle = 1, bic = 2, max = 3 };

// "npmle", "bic", "max": the names the command line uses.
constexpr std::string_view criterionName(StopCriterion criterion) {
  switch (criterion) {
    case StopCriterion::npmle: return "npmle";
    case StopCriterion::bic: return "bic";
    case StopCriterion::max: return "max";
  }
  return "max";
}

// The criterion of a name, or none for an unknown name.
constexpr std::optional<StopCriterion> criterionFromName(std::string_view name) {
  for (const StopCriterion c : {StopCriterion::npmle, StopCriterion::bic, StopCriterion::max}) {
    if (criterionName(c) == name) return c;
  }
  return std::nullopt;
}

namespace defaults {

// Calculation.
inline constexpr float exactness = single::exactness;  // 1.0E-7 in single precision
inline constexpr StopCriterion stopCriterion = StopCriterion::max;
inline constexpr std::int32_t maxComponents = 2;

// Simulation study, bootstrap and Poisson-Gamma simulation.
inline constexpr std::int32_t populationSize = 5000;
inline constexpr std::int32_t replications = 10;
inline constexpr std::int32_t bootReplications = 30;
inline constexpr bool evaluatePerBootstrap = true;
inline constexpr std::int32_t numCounts = 15;
inline constexpr bool printInterim = true;
inline constexpr bool printSamples = false;
inline constexpr bool simFromDataset = false;
inline constexpr std::array<double, 2> simLambda{2.0, 4.0};
inline constexpr std::array<double, 2> simWeight{0.5, 0.5};
inline constexpr double pgAlpha = 0.5;
inline constexpr double pgKappa = 0.75;
// Threads that fit the replicates: 0 is every core, 1 the serial run.
inline constexpr std::int32_t threads = 0;
// Threads that share the classes of one search (the calculation, the
// cut-off analysis, tallyfold-cli estimate): 0 is every core.
inline constexpr std::int32_t searchThreads = 0;

// Confidence level of the intervals (Chao's log-normal interval, the
// bootstrap percentile intervals of the study's evaluation).
inline constexpr double intervalLevel = 0.95;

}  // namespace defaults

}  // namespace tallyfold
