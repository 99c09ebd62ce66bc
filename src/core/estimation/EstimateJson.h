#pragma once
// The estimate of one count table as JSON, as tallyfold-cli estimate --json
// writes it and the windowed program saves it: the settings, every recorded
// fit with its checks, the accepted mixture, the closed forms with Chao's
// interval, the negative binomial, the ZTNB and Poisson fits and, when
// asked, the cut-off rows.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include <nlohmann/json.hpp>

#include "estimation/ClosedFormRows.h"
#include "estimation/CutoffScan.h"
#include "estimation/EMtrun_alg.h"
#include "estimation/FitChecks.h"
#include "estimation/WholeEstimate.h"

namespace tallyfold {

// A whole-number estimate as JSON: an integer while it fits in 64 bits, the
// double beyond; null when there is none.
nlohmann::json wholeJson(const WholeEstimate& value);

// What the estimate's JSON is made of: the engines' results for `counts`
// read from `file` under `settings`.
struct EstimateJsonParts {
  const SearchResult& search;  // with its recorded fits
  const ClosedFormRows& closedForm;
  const ClosedFormEstimate& negativeBinomial;
  const std::optional<FitChecks>& checks;  // none when no mixture could be fitted
  double level;                            // of Chao's interval
  bool curves;                             // each fit's gradient curve
  std::optional<std::span<const CutoffRow>> cutoffs;  // none: no "cutoffScan"
};

nlohmann::json estimateJson(const std::string& file, std::span<const std::int32_t> counts,
                            const SearchSettings& settings, const EstimateJsonParts& parts);

}  // namespace tallyfold
