#pragma once
// tallyfold-cli estimate: the calculation of the windowed program in batch
// form — the NPMLE search with its recorded fits, the Zelterman and Chao
// estimates and the negative-binomial estimate of one count data file.
#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <stop_token>
#include <string>

#include "data/CountData.h"
#include "settings/Defaults.h"

namespace tallyfold::cli {

struct EstimateOptions {
  std::string file;
  CountFormat format = CountFormat::automatic;  // the form the file is read in
  double exactness = 0.0;  // set to the program's default by the caller
  StopCriterion criterion = defaults::stopCriterion;
  std::int32_t maxComponents = defaults::maxComponents;
  bool log = false;
  bool json = false;
  bool gof = false;     // also the observed and expected frequencies, class by class
  bool curves = false;  // JSON: each fit's gradient curve
  double level = defaults::intervalLevel;  // of Chao's interval
  std::optional<std::int32_t> cutoff;      // one row of the cut-off analysis, at this tau
  bool cutoffScan = false;                 // every cut-off tau = 2..m
  bool csv = false;                        // the fits and the closed forms as CSV
  std::int32_t threads = defaults::searchThreads;  // that share the search's classes; 0: every core
  std::stop_token stop;  // the run's stop request
};

// A still-running line every this long while a search runs.
inline constexpr std::chrono::seconds progressInterval{5};

// Writes the results to `out`; returns the exit code. Throws BadInput.
// With `progress`, a search that runs longer than progressInterval writes
// a still-running line there at every interval (without --log only). A
// search that sees its stop request throws Stopped.
int runEstimate(const EstimateOptions& options, std::ostream& out, std::ostream* progress = nullptr);

}  // namespace tallyfold::cli
