#pragma once
// The estimate's judgement of its fits: goodness of fit, whether N0 is
// identified, the likelihood certificate, and the zero-truncated Poisson and
// negative-binomial maximum-likelihood fits beside the mixture; in JSON and
// as the text blocks of tallyfold-cli estimate.
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "estimation/EMtrun_alg.h"
#include "estimation/FitJudgement.h"
#include "estimation/WholeEstimate.h"

namespace tallyfold {

struct FitChecks {
  std::vector<FitJudgement> fits;       // one per recorded fit, in order
  std::optional<FitJudgement> accepted;  // the accepted mixture's
  ComparisonModels models;
  double poissonN0 = 0.0;  // n e^-lambda / (1 - e^-lambda) at the Poisson's ML mean
};

// The label of the recorded fit of s components in the goodness-of-fit
// tables: "k=s", starred ("k=3*") when s exceeds the accepted number of
// components. The search records such a fit only when BIC rejects it and
// falls back to the fit before, so a star always means "rejected by BIC".
std::string recordedFitLabel(int s, std::int32_t accepted);

// The line under a table that shows the starred fit.
std::string rejectedFitNote(std::int32_t accepted);

// The ZTNB fit's status as the JSON and the CSV name it: "estimate",
// "poisson limit", "unbounded" or "no estimate".
std::string ztnbStatusName(ZtnbStatus status);

// The checks of an estimable search (search.estimable).
FitChecks checkFits(std::span<const std::int32_t> counts, const SearchResult& search);

// Adds the checks to the estimate's JSON object: per fit in j["fits"] and at
// the top level (identified, ztnbMle, poisson); with curves, each fit's
// gradient curve. Without checks (no mixture could be fitted) only what the
// table gives: identified null and the ZTNB's non-result.
void addFitChecksJson(nlohmann::json& j, std::span<const std::int32_t> counts, const SearchResult& search,
                      const std::optional<FitChecks>& checks, bool curves);

// The text block "Goodness of fit" (one line per recorded fit, the ZTNB and
// the Poisson, and the note on a fit BIC rejected), the ZTNB in words and
// whether N0 is identified; chaoN is the Chao estimate named as the lower
// bound when it is not.
void printFitChecks(std::ostream& out, const SearchResult& search, const std::optional<FitChecks>& checks,
                    const WholeEstimate& chaoN, std::int64_t n);

// The observed and expected frequencies of every recorded fit, the ZTNB and
// the Poisson, class by class.
void printObservedExpected(std::ostream& out, std::span<const std::int32_t> counts, const SearchResult& search,
                           const std::optional<FitChecks>& checks);

}  // namespace tallyfold
